// The modal on-screen menus.
#pragma once

void RunOptionsMenu();
void RunLoadMenu();
void RunSaveMenu();
