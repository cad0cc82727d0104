#pragma once

void WriteScreenshot();
