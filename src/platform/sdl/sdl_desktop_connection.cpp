// The connection to the desktop's X server, watched so that the program can
// still end when the server has gone away.
//
// Xlib ends the program with exit() as soon as a call finds the connection
// to the X server broken.  SDL_Quit, run at exit, would then talk to the
// lost server again and wait for its answer for ever, burning the
// processor; with the connection gone there is nothing left to tidy up on
// the desktop, so SDL is left as it is and the process simply ends.
#include <poll.h>

#include <cstdlib>

#include <SDL_syswm.h>

#include "platform/sdl/sdl_backend.h"

namespace {

int ServerSocket = -1;   // the X connection's socket; -1 when not on X11

void QuitSdl()
{
    if (!SdlDesktopConnectionLost())
        SDL_Quit();
}

}  // namespace

void SdlQuitAtExit()
{
    std::atexit(QuitSdl);
}

void SdlNoteDesktopConnection(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display)
        ServerSocket = ConnectionNumber(info.info.x11.display);
#else
    (void)window;
#endif
}

bool SdlDesktopConnectionLost()
{
    if (ServerSocket < 0)
        return false;
    // The server closing its end shows as a hang-up on the socket.
    pollfd socket{ServerSocket, POLLRDHUP, 0};
    return poll(&socket, 1, 0) > 0 && (socket.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}
