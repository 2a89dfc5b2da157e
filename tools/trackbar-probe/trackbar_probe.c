/*
 * trackbar_probe: one native common-controls trackbar in a window, logging
 * every WM_HSCROLL it sends to its parent together with the mouse and key
 * messages the trackbar itself receives, so a gesture can be matched to the
 * notifications it causes.
 *
 * Usage: trackbar_probe.exe LOGFILE STARTPOS
 *
 * The program ends when the file LOGFILE.stop appears (checked every 50 ms)
 * or after 60 s, logging the final position.  Every log line is flushed at
 * once.  Log lines are "<ms since start> ms  <text>":
 *   start/geom   settings, and rectangles in client and screen coordinates
 *   in  ...      a mouse, key or focus message the trackbar received
 *   HSCROLL ...  a WM_HSCROLL the parent received: code, HIWORD(wParam) and
 *                TBM_GETPOS at that moment
 *   NOTIFY, parent ...  other traffic from the trackbar to the parent
 *
 * Build: x86_64-w64-mingw32-gcc -O2 -Wall -static -mwindows \
 *            -o trackbar_probe.exe trackbar_probe.c -lcomctl32
 */
#define _WIN32_WINNT 0x0601
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#define ID_TRACK   101
#define ID_BUTTON  102
#define ID_STOPCHK 1

static FILE *logf;
static DWORD t0;
static HWND hMain, hTrack, hButton;
static char stopPath[MAX_PATH + 8];

static void logline(const char *fmt, ...)
{
    va_list ap;
    if (!logf)
        return;
    fprintf(logf, "%6lu ms  ", (unsigned long)(GetTickCount() - t0));
    va_start(ap, fmt);
    vfprintf(logf, fmt, ap);
    va_end(ap);
    fputc('\n', logf);
    fflush(logf);
}

static const char *scrollName(int code)
{
    static const char *names[] = {
        "TB_LINEUP", "TB_LINEDOWN", "TB_PAGEUP", "TB_PAGEDOWN",
        "TB_THUMBPOSITION", "TB_THUMBTRACK", "TB_TOP", "TB_BOTTOM",
        "TB_ENDTRACK"
    };
    if (code >= 0 && code <= 8)
        return names[code];
    return "?";
}

static const char *keyName(WPARAM vk)
{
    static char buf[16];
    switch (vk) {
    case VK_LEFT:   return "Left";
    case VK_RIGHT:  return "Right";
    case VK_UP:     return "Up";
    case VK_DOWN:   return "Down";
    case VK_PRIOR:  return "PageUp";
    case VK_NEXT:   return "PageDown";
    case VK_HOME:   return "Home";
    case VK_END:    return "End";
    case VK_TAB:    return "Tab";
    case VK_SPACE:  return "Space";
    case VK_RETURN: return "Return";
    case VK_SHIFT:  return "Shift";
    case VK_CONTROL: return "Control";
    case VK_MENU:   return "Alt";
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        snprintf(buf, sizeof buf, "'%c'", (int)vk);
    else
        snprintf(buf, sizeof buf, "vk=0x%02x", (unsigned)vk);
    return buf;
}

static int trackPos(void)
{
    return (int)SendMessageA(hTrack, TBM_GETPOS, 0, 0);
}

/* Messages the trackbar receives, logged before the control handles them. */
static LRESULT CALLBACK trackSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                      UINT_PTR id, DWORD_PTR ref)
{
    int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    const char *m = NULL;
    LRESULT r;
    (void)id; (void)ref;

    switch (msg) {
    case WM_LBUTTONDOWN:   m = "WM_LBUTTONDOWN"; break;
    case WM_LBUTTONUP:     m = "WM_LBUTTONUP"; break;
    case WM_LBUTTONDBLCLK: m = "WM_LBUTTONDBLCLK"; break;
    case WM_MBUTTONDOWN:   m = "WM_MBUTTONDOWN"; break;
    case WM_MBUTTONUP:     m = "WM_MBUTTONUP"; break;
    case WM_MBUTTONDBLCLK: m = "WM_MBUTTONDBLCLK"; break;
    case WM_RBUTTONDOWN:   m = "WM_RBUTTONDOWN"; break;
    case WM_RBUTTONUP:     m = "WM_RBUTTONUP"; break;
    case WM_RBUTTONDBLCLK: m = "WM_RBUTTONDBLCLK"; break;
    }
    if (m) {
        logline("  in  %s x=%d y=%d (pos %d)", m, x, y, trackPos());
    } else switch (msg) {
    case WM_MOUSEMOVE:
        if (wp & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON))
            logline("  in  WM_MOUSEMOVE x=%d y=%d buttons=0x%x (pos %d)",
                    x, y, (unsigned)(wp & 0x73), trackPos());
        break;
    case WM_MOUSEWHEEL:
        logline("  in  WM_MOUSEWHEEL delta=%d (pos %d)",
                GET_WHEEL_DELTA_WPARAM(wp), trackPos());
        break;
    case WM_MOUSEHWHEEL:
        logline("  in  WM_MOUSEHWHEEL delta=%d (pos %d)",
                GET_WHEEL_DELTA_WPARAM(wp), trackPos());
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        logline("  in  %s %s repeat=%u %s (pos %d)",
                msg == WM_KEYDOWN ? "WM_KEYDOWN" : "WM_SYSKEYDOWN",
                keyName(wp), (unsigned)(lp & 0xffff),
                (lp & (1 << 30)) ? "autorepeat" : "first", trackPos());
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        logline("  in  %s %s (pos %d)",
                msg == WM_KEYUP ? "WM_KEYUP" : "WM_SYSKEYUP",
                keyName(wp), trackPos());
        break;
    case WM_CHAR:
        logline("  in  WM_CHAR 0x%02x (pos %d)", (unsigned)wp, trackPos());
        break;
    case WM_SETFOCUS:
        logline("  in  WM_SETFOCUS");
        break;
    case WM_KILLFOCUS:
        logline("  in  WM_KILLFOCUS");
        break;
    case WM_CAPTURECHANGED:
        logline("  in  WM_CAPTURECHANGED (pos %d)", trackPos());
        break;
    case WM_TIMER:
        logline("  in  WM_TIMER id=%u (pos %d)", (unsigned)wp, trackPos());
        break;
    }
    r = DefSubclassProc(hwnd, msg, wp, lp);
    return r;
}

static void logGeometry(void)
{
    RECT thumb, chan, win;
    POINT a, b;
    int page = (int)SendMessageA(hTrack, TBM_GETPAGESIZE, 0, 0);
    int line = (int)SendMessageA(hTrack, TBM_GETLINESIZE, 0, 0);
    int rmin = (int)SendMessageA(hTrack, TBM_GETRANGEMIN, 0, 0);
    int rmax = (int)SendMessageA(hTrack, TBM_GETRANGEMAX, 0, 0);
    int tics = (int)SendMessageA(hTrack, TBM_GETNUMTICS, 0, 0);

    SendMessageA(hTrack, TBM_GETTHUMBRECT, 0, (LPARAM)&thumb);
    SendMessageA(hTrack, TBM_GETCHANNELRECT, 0, (LPARAM)&chan);
    GetWindowRect(hTrack, &win);

    logline("start pos=%d range=%d..%d pagesize=%d linesize=%d numtics=%d",
            trackPos(), rmin, rmax, page, line, tics);
    logline("geom trackbar_screen=%ld,%ld,%ld,%ld",
            win.left, win.top, win.right, win.bottom);
    a.x = thumb.left; a.y = thumb.top; b.x = thumb.right; b.y = thumb.bottom;
    ClientToScreen(hTrack, &a); ClientToScreen(hTrack, &b);
    logline("geom thumb_client=%ld,%ld,%ld,%ld thumb_screen=%ld,%ld,%ld,%ld",
            thumb.left, thumb.top, thumb.right, thumb.bottom, a.x, a.y, b.x, b.y);
    a.x = chan.left; a.y = chan.top; b.x = chan.right; b.y = chan.bottom;
    ClientToScreen(hTrack, &a); ClientToScreen(hTrack, &b);
    logline("geom channel_client=%ld,%ld,%ld,%ld channel_screen=%ld,%ld,%ld,%ld",
            chan.left, chan.top, chan.right, chan.bottom, a.x, a.y, b.x, b.y);
}

static LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_HSCROLL:
        if ((HWND)lp == hTrack) {
            int code = LOWORD(wp);
            logline("HSCROLL %-16s (%d) hiword=%d getpos=%d",
                    scrollName(code), code, (int)(short)HIWORD(wp), trackPos());
        } else {
            logline("HSCROLL from other window code=%d", (int)LOWORD(wp));
        }
        return 0;
    case WM_VSCROLL:
        logline("VSCROLL code=%d hiword=%d", (int)LOWORD(wp), (int)(short)HIWORD(wp));
        return 0;
    case WM_NOTIFY: {
        NMHDR *h = (NMHDR *)lp;
        if (h->hwndFrom == hTrack && h->code != (UINT)NM_CUSTOMDRAW)
            logline("NOTIFY code=%d%s (pos %d)", (int)h->code,
                    h->code == (UINT)NM_RELEASEDCAPTURE ? " NM_RELEASEDCAPTURE" : "",
                    trackPos());
        break;
    }
    case WM_MOUSEWHEEL:
        logline("parent WM_MOUSEWHEEL delta=%d", GET_WHEEL_DELTA_WPARAM(wp));
        break;
    case WM_CONTEXTMENU:
        logline("parent WM_CONTEXTMENU from %s",
                (HWND)wp == hTrack ? "trackbar" : "other");
        break;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_BUTTON)
            logline("button WM_COMMAND notify=%d", (int)HIWORD(wp));
        return 0;
    case WM_TIMER:
        if (wp == ID_STOPCHK) {
            if (GetFileAttributesA(stopPath) != INVALID_FILE_ATTRIBUTES ||
                GetTickCount() - t0 > 60000) {
                /* Exit at once: hiding the window first makes Wine wait
                 * about 2 s for a window manager that Xvfb does not have. */
                logline("end pos=%d", trackPos());
                fclose(logf);
                ExitProcess(0);
            }
            return 0;
        }
        break;
    case WM_DESTROY:
        logline("end pos=%d", trackPos());
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(int argc, char **argv)
{
    INITCOMMONCONTROLSEX icc;
    WNDCLASSA wc;
    HINSTANCE hi = GetModuleHandleA(NULL);
    RECT rc = { 0, 0, 360, 110 };
    MSG msg;
    int start;

    if (argc < 3) {
        fprintf(stderr, "usage: %s LOGFILE STARTPOS\n", argv[0]);
        return 2;
    }
    logf = fopen(argv[1], "w");
    if (!logf)
        return 1;
    snprintf(stopPath, sizeof stopPath, "%s.stop", argv[1]);
    start = atoi(argv[2]);
    t0 = GetTickCount();

    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES;
    if (!InitCommonControlsEx(&icc))
        logline("InitCommonControlsEx failed");

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = mainProc;
    wc.hInstance = hi;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TrackbarProbe";
    RegisterClassA(&wc);

    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    hMain = CreateWindowA("TrackbarProbe", "trackbar probe",
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                          40, 40, rc.right - rc.left, rc.bottom - rc.top,
                          NULL, NULL, hi, NULL);
    hTrack = CreateWindowExA(0, TRACKBAR_CLASSA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                             TBS_HORZ | TBS_AUTOTICKS | TBS_BOTH,
                             30, 20, 300, 30, hMain, (HMENU)ID_TRACK, hi, NULL);
    hButton = CreateWindowA("BUTTON", "Button",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            30, 65, 80, 26, hMain, (HMENU)ID_BUTTON, hi, NULL);

    SendMessageA(hTrack, TBM_SETRANGE, FALSE, MAKELPARAM(0, 63));
    SendMessageA(hTrack, TBM_SETTICFREQ, 4, 0);
    SendMessageA(hTrack, TBM_SETPOS, TRUE, start);
    SetWindowSubclass(hTrack, trackSubclass, 1, 0);

    ShowWindow(hMain, SW_SHOWNORMAL);
    UpdateWindow(hMain);
    SetForegroundWindow(hMain);
    SetFocus(hTrack);
    logline("focus %s", GetFocus() == hTrack ? "trackbar" : "NOT trackbar");
    logGeometry();
    SetTimer(hMain, ID_STOPCHK, 50, NULL);
    logline("ready");

    /* IsDialogMessage gives the window dialog keyboard handling (Tab moves
     * focus between the trackbar and the button), as a control panel has. */
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(hMain, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RemoveWindowSubclass(hTrack, trackSubclass, 1);
    fclose(logf);
    return 0;
}
