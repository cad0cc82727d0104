#include "platform/devices.h"

WindowHandle MainWindow = nullptr;
DisplayDevice* g_pDD = nullptr;
Surface* g_pDDSPrimary = nullptr;
Palette* g_pDDPal = nullptr;
InputSystem* g_pDI = nullptr;
KeyboardDevice* g_pDIKeyboard = nullptr;
SoundSystem* g_pDS = nullptr;
SoundBuffer* g_pDSBuffer1 = nullptr;
SoundBuffer* g_pDSBuffer2 = nullptr;
SoundBuffer* g_pDSBuffer3 = nullptr;
