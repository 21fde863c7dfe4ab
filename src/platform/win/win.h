// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows-shaped platform layer: the subset of the Windows API that the
// player was designed against, with the same names, constants, message numbers
// and semantics. Only src/platform knows how it is really done (SDL or headless).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace win {

// ---------------------------------------------------------------- basic types
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;
using ATOM = WORD;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct POINT {
    LONG x, y;
};
struct RECT {
    LONG left, top, right, bottom;
};

// Opaque handles. Every call validates the handle it is given: a stale or
// foreign handle makes the call fail, it is never dereferenced.
struct Window;
struct DeviceContext;
struct GdiObject;
struct Module;
struct Icon;
using HWND = Window*;
using HDC = DeviceContext*;
using HGDIOBJ = GdiObject*;
using HPALETTE = GdiObject*;
using HBRUSH = GdiObject*;
using HPEN = GdiObject*;
using HMODULE = Module*;
using HINSTANCE = Module*;
using HICON = Icon*;
using HMENU = void*;
using FARPROC = void (*)();

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
// The signed client coordinates a Windows program unpacks from a mouse message.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lp))); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(
        static_cast<DWORD>((static_cast<DWORD>(hi) & 0xFFFF) << 16 | (static_cast<DWORD>(lo) & 0xFFFF)));
}
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return r | (g << 8) | (static_cast<DWORD>(b) << 16); }

// ---------------------------------------------------------------- messages
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;  // Alt, F10, and keys pressed with Alt
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM ICON_BIG = 1;

inline constexpr UINT VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20;
inline constexpr UINT VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
inline constexpr UINT VK_F1 = 0x70;  // VK_F1 .. VK_F12 = 0x70 .. 0x7B; '0'..'9' and 'A'..'Z' are their ASCII codes

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// ---------------------------------------------------------------- windows
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
inline constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3, SW_SHOW = 5;
inline constexpr int GWLP_USERDATA = -21;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    HINSTANCE hInstance;
    HICON hIcon;
    const char* lpszClassName;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

ATOM RegisterClassA(const WNDCLASSA* wc);
// No message is sent during creation. A window without a parent whose style
// is not WS_POPUP is the top-level frame: the real window of the SDL backend.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);  // WM_DESTROY to the window, then to its children
BOOL IsWindow(HWND hwnd);
HWND SetParent(HWND child, HWND parent);
HWND GetParent(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);  // sends WM_SIZE
BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL UpdateWindow(HWND hwnd);  // sends WM_PAINT at once when the window needs painting
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL SetWindowTextA(HWND hwnd, const char* text);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// WM_CLOSE destroys the window; WM_PAINT validates; WM_SETICON sets the frame's icon.
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);  // validates the window at once
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

// ---------------------------------------------------------------- message queue
// Delivery order: posted messages, input, the quit request, paint, timers.
// A quit request is delivered only when nothing posted or input is waiting and
// stays queued until a removing call (PeekMessage with PM_REMOVE, GetMessage) takes it.
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);  // 0 for WM_QUIT
// Returns once a message waits (at once when one does already).
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);  // posts WM_CHAR for character keys
LRESULT DispatchMessageA(const MSG* msg);

// ---------------------------------------------------------------- timers, clock
inline constexpr UINT USER_TIMER_MINIMUM = 10;
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
DWORD GetTickCount();

// ---------------------------------------------------------------- boxes, beeps
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
BOOL MessageBeep(UINT type);

// ---------------------------------------------------------------- resources, modules
inline const char* MAKEINTRESOURCEA(unsigned id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id));
}
// The program's own resources are registered by the program before use.
void RegisterIconResource(unsigned id, const unsigned char* png, std::size_t size);
HICON LoadIconA(HINSTANCE instance, const char* name);
HMODULE GetModuleHandleA(const char* name);  // null: the program itself
// "NAME.DLL" loads libname.so beside the executable; decorated names
// ("_AUD_startup@0") are looked up as the plain exported name.
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// ---------------------------------------------------------------- GDI
#pragma pack(push, 1)
struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];  // palNumEntries entries follow
};
struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];  // or, with DIB_PAL_COLORS, WORD palette indices
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);

inline constexpr BYTE PC_RESERVED = 0x01, PC_EXPLICIT = 0x02, PC_NOCOLLAPSE = 0x04;
inline constexpr DWORD BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2;
inline constexpr UINT DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1;
inline constexpr DWORD SRCCOPY = 0x00CC0020, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062, PATCOPY = 0x00F00021;
inline constexpr UINT SYSPAL_ERROR = 0, SYSPAL_STATIC = 1, SYSPAL_NOSTATIC = 2;
inline constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, NUMCOLORS = 24, RASTERCAPS = 38, SIZEPALETTE = 104,
                     NUMRESERVED = 106;
inline constexpr int RC_PALETTE = 0x0100;
inline constexpr int WHITE_BRUSH = 0, BLACK_BRUSH = 4, NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
                     DEFAULT_PALETTE = 15;
inline constexpr int PS_SOLID = 0, PS_NULL = 5;

// Device contexts: null window means the whole screen. The screen is an
// 8-bit surface of system palette indices; releasing a context after its
// pixels or the system palette changed presents the screen.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

HGDIOBJ GetStockObject(int which);
HBRUSH CreateSolidBrush(COLORREF colour);
HPEN CreatePen(int style, int width, COLORREF colour);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, void* out);  // a palette gives its WORD entry count

HPALETTE CreatePalette(const LOGPALETTE* palette);  // 1 .. 256 entries, else null
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT GetSystemPaletteUse(HDC hdc);
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);
int GetDeviceCaps(HDC hdc, int index);

// Drawing, all clipped to the surface.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
// 8-bit DIBs (bottom-up or top-down), colour table as DIB_PAL_COLORS indices.
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT colourUse);
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT colourUse, DWORD rop);

// ---------------------------------------------------------------- files
// Paths as Windows presentations write them: backslashes separate, and a
// component that does not exist as written is matched without regard to case.
// A mode without 'b' is text mode: CR LF reads as LF.
std::FILE* fopen(const char* path, const char* mode);
int _access(const char* path, int mode);  // 0 or -1 with errno (ENOENT for a missing file)
char* _getcwd(char* buffer, int size);
int _chdir(const char* path);
DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer);  // length written, 0 on failure
BOOL SetCurrentDirectoryA(const char* path);
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10, FILE_ATTRIBUTE_NORMAL = 0x80;
DWORD GetFileAttributesA(const char* path);
struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};
inline constexpr int GetFileExInfoStandard = 0;
BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data);
DWORD SearchPathA(const char* path, const char* fileName, const char* extension, DWORD bufferLength, char* buffer,
                  char** filePart);
inline constexpr int _MAX_PATH = 260, _MAX_DRIVE = 3, _MAX_DIR = 256, _MAX_FNAME = 256, _MAX_EXT = 256;
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext);
// The host path that a Windows-style path names (for code that must hand a path on).
std::size_t ResolvePath(const char* path, char* out, std::size_t outSize);

// ---------------------------------------------------------------- multimedia
UINT waveOutGetNumDevs();
inline constexpr UINT SND_ASYNC = 0x0001;
// Nothing ever plays through this routine here: stopping (no sound) succeeds,
// playing a sound fails.
BOOL sndPlaySoundA(const char* sound, UINT flags);

// ---------------------------------------------------------------- process
// Ends the process with this status; writes the trace's exit line first.
[[noreturn]] void ExitProcess(UINT exitCode);

// Other programs. The command line is split with the Windows rules for
// quotes and backslashes and never goes through a shell; its first word names
// the program: a path as written (backslashes separate, names match without
// regard to case), else the current folder, then PATH, each with ".exe" tried
// after the plain name when it has no extension. A Windows program (MZ) runs
// through wine from PATH. The program gets the caller's folder and
// environment, standard input, output and error and no other descriptor,
// default signal dispositions and an empty signal mask.
struct KernelObject;
using HANDLE = KernelObject*;
struct SECURITY_ATTRIBUTES;
// No console: here a session of its own, away from the caller's terminal, so
// that it outlives the caller.
inline constexpr DWORD DETACHED_PROCESS = 0x00000008;
inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
inline constexpr DWORD STARTF_FORCEONFEEDBACK = 0x00000040;
struct STARTUPINFOA {
    DWORD cb;
    DWORD dwFlags;
};
struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;  // the program's first thread; waits like the process
    DWORD dwProcessId;
    DWORD dwThreadId;
};
// applicationName, environment and currentDirectory must be null (the
// caller's own), or the call fails with EINVAL. On failure errno says why:
// ENOENT for no such program (or a Windows program without wine), EACCES for
// a file that may not be run, or the error of the start itself.
BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation);
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0, WAIT_FAILED = 0xFFFFFFFF;
// Waits for a process to end; only INFINITE is supported. No message is
// handled meanwhile (the real window still answers the window system and
// keeps its input queued); headless, the wait takes no virtual time.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
inline constexpr DWORD STILL_ACTIVE = 259;
// The exit status, 128 + the signal for a program a signal ended, or
// STILL_ACTIVE while it runs.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
BOOL CloseHandle(HANDLE handle);
inline constexpr DWORD QS_ALLINPUT = 0x04FF;
inline constexpr DWORD WAIT_TIMEOUT = 258;
// Waits for a message or the time-out; only count 0 (no objects) is supported.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
// Nothing runs meanwhile; headless, the clock moves on by the time asked.
void Sleep(DWORD milliseconds);

}  // namespace win
