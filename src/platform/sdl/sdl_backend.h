// Shared between the files of the SDL2 backend.
#pragma once
#include <SDL.h>

#include "platform/devices.h"

// The one main window; null until created and after destruction.
SDL_Window* SdlMainWindow();
// The picture's size (the display mode): a window (not full screen) takes
// the largest whole multiple of it that fits the desktop comfortably.
void SdlFitWindowToPicture(uint32_t width, uint32_t height);
// Alt+Enter: full screen to a window and back.
void SdlToggleFullScreen();

// Moves every pending SDL event into the window-message queue (key, focus
// and close events become WM_KEYDOWN/WM_KEYUP, WM_ACTIVATEAPP and WM_CLOSE)
// and puts a frame that is waiting for the next refresh on the screen.
// Anything that polls in a loop without going through the message queue
// (the keyboard state read, for one) calls this instead of SDL_PumpEvents,
// so that the picture keeps up and the queue keeps the events.
void SdlPumpEvents();

// Display side of the pump: shows a frame that was held back because it
// came within the same refresh as the previous one, once that refresh has
// passed; redraws after the window was exposed or resized.
void SdlServiceDisplay();
// The window was exposed, resized or changed full-screen state.
void SdlDisplayNeedsRedraw();
// The renderer lost its textures: the primary surface reports itself lost
// until restored.
void SdlDisplayDeviceLost();

// The DIK_ code of a key by its place (0 for a key without one).
uint8_t SdlDikOf(SDL_Scancode scancode);
// Key, text, drop and game-controller events for the machine; true when
// the event was taken (it then makes no window message).
bool SdlFeedInput(const SDL_Event& event);
// Resolves a key press still waiting for the character it types.
void SdlFinishInput();
void SdlOpenGamepads();

// Monotonic nanoseconds.
int64_t SdlNow();
// Sleeps until the monotonic clock reaches wake (never returns sooner);
// no spinning, so the wake-up may come a little late.
void SdlSleepUntil(int64_t wake);

// Registers SDL_Quit to run at exit, unless by then the connection to the
// desktop (the X server) is lost: SDL_Quit would wait on it for ever.
void SdlQuitAtExit();
// Remembers the desktop connection that the window lives on.
void SdlNoteDesktopConnection(SDL_Window* window);
// The X server has closed the connection (false when not on X11).
bool SdlDesktopConnectionLost();
