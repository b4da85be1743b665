// Looks at what a run of Pressavo.exe did, from outside it, through the platform's own calls.
//   printer [--check | --reset]    the profile's Device value and the platform's default printer;
//                                  --reset first points Device at another queue
//   broadcast <within-s> [--hung] <exe> [args...]
//                                  points Device elsewhere, runs <exe> while a top-level window of
//                                  ours listens (and, with --hung, another one never pumps); checks
//                                  the messages it got, then the profile and the default printer
//   version <exe>                  the version information, icons and manifest the file carries
//   show                           shows a window: the control case of the never-shown check
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "WindowsApi.h"
// The lean gateway leaves out printing and version information.
#include <winspool.h>
#include <winver.h>

namespace {

constexpr char kDeviceEntry[] = "Pressavo,winspool,Ne01:";

bool Expect(bool ok, const char* what, const std::string& seen) {
    if (!ok) std::printf("FAIL %s: got \"%s\"\n", what, seen.c_str());
    return ok;
}

// The exit status of a command that failed at `what`.
int Fail(const char* what, const std::string& seen) {
    Expect(false, what, seen);
    return 1;
}

int Printer(const std::string& option) {
    if (option == "--reset" &&
        !WriteProfileStringA("windows", "Device", "Elsewhere,winspool,Ne00:")) {
        return Fail("reset", "");
    }
    char device[256] = "";
    GetProfileStringA("windows", "Device", "", device, sizeof device);
    char printer[256] = "";
    DWORD size = sizeof printer;
    if (!GetDefaultPrinterA(printer, &size)) std::strcpy(printer, "<none>");
    std::printf("Device: %s\nDefault printer: %s\n", device, printer);
    if (option != "--check") return 0;
    bool ok = Expect(std::strcmp(device, kDeviceEntry) == 0, "Device", device);
    ok &= Expect(std::strcmp(printer, "Pressavo") == 0, "default printer", printer);
    return ok ? 0 : 1;
}

// What the listening window received.
struct Heard {
    int count = 0;
    WPARAM wparam = 0;
    std::string text;
};
Heard g_heard;

LRESULT CALLBACK Listen(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_WININICHANGE) {
        ++g_heard.count;
        g_heard.wparam = wparam;
        g_heard.text = lparam != 0 ? reinterpret_cast<const char*>(lparam) : "<null>";
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

HWND TopLevel(const char* className, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, className, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

// A thread that owns a top-level window and never asks for a message again.
DWORD WINAPI Hang(LPVOID ready) {
    TopLevel("PressavoProbeHung", DefWindowProcA);
    SetEvent(static_cast<HANDLE>(ready));
    Sleep(INFINITE);
    return 0;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != nullptr) CloseHandle(h);
    }
};

int Broadcast(int withinSeconds, bool hung, int argc, char** argv) {
    if (Printer("--reset") != 0) return 1;
    if (TopLevel("PressavoProbeListener", Listen) == nullptr) return Fail("listener", "");
    if (hung) {
        const Handle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        const Handle thread{CreateThread(nullptr, 0, Hang, ready.h, 0, nullptr)};
        WaitForSingleObject(ready.h, INFINITE);
        // Long enough without a message for the platform to call the thread hung.
        Sleep(6000);
    }
    std::string line;
    for (int i = 0; i < argc; ++i) line += std::string(i ? " \"" : "\"") + argv[i] + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return Fail("start", line);
    }
    const Handle process{pi.hProcess};
    const Handle thread{pi.hThread};
    // Serve the listener while the run lasts; give up long after any sane run.
    while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 120000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        Pump();
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &status);
    // The send is synchronous, so nothing more may arrive; a late duplicate would show here.
    Sleep(500);
    Pump();
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("exit %lu after %lld ms; %d message(s), last wParam %lu, text \"%s\"\n", status, ms,
                g_heard.count, static_cast<unsigned long>(g_heard.wparam), g_heard.text.c_str());
    bool ok = Expect(status == 0, "exit status", std::to_string(status));
    ok &= Expect(ms < withinSeconds * 1000LL, "duration (ms)", std::to_string(ms));
    ok &= Expect(g_heard.count == 1, "message count", std::to_string(g_heard.count));
    ok &= Expect(g_heard.wparam == 0, "wParam", std::to_string(g_heard.wparam));
    ok &= Expect(g_heard.text == "windows", "lParam", g_heard.text);
    ok &= Printer("--check") == 0;
    return ok ? 0 : 1;
}

std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return "<absent>";
    }
    return value;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIcon {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

// An executable loaded as data, to read its resources through the platform's resource calls.
class Resources {
public:
    explicit Resources(const char* exe)
        : module_(LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Resources() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    // The bytes of resource `id` of type `type`; empty when there is none (or no file).
    std::string_view Find(int type, int id) const {
        const HRSRC found = module_ != nullptr ? FindResourceA(module_, MAKEINTRESOURCEA(id),
                                                               MAKEINTRESOURCEA(type))
                                               : nullptr;
        const void* data = found ? LockResource(LoadResource(module_, found)) : nullptr;
        return data ? std::string_view(static_cast<const char*>(data),
                                       SizeofResource(module_, found))
                    : std::string_view();
    }

private:
    HMODULE module_;
};

bool CheckIcons(const char* exe) {
    const Resources resources(exe);
    const std::string_view group = resources.Find(14, 1);
    const auto* icons = group.size() >= sizeof(GroupIcon)
                            ? reinterpret_cast<const GroupIcon*>(group.data())
                            : nullptr;
    bool ok = Expect(icons != nullptr && icons->count == 3, "icon group 1 images",
                     icons ? std::to_string(icons->count) : "<absent>");
    // Width, height, colours and bits per pixel of the three images, in order.
    const int want[3][4] = {{32, 32, 2, 1}, {32, 32, 16, 4}, {16, 16, 16, 4}};
    for (int i = 0; ok && i < 3; ++i) {
        const GroupIconEntry& e = icons->entries[i];
        const std::string_view image = resources.Find(3, e.id);
        DWORD header = 0;
        if (image.size() >= sizeof header) std::memcpy(&header, image.data(), sizeof header);
        const bool bmp = header == sizeof(BITMAPINFOHEADER);
        const std::string seen = std::to_string(e.width) + "x" + std::to_string(e.height) + " " +
                                 std::to_string(e.colors) + " colours " +
                                 std::to_string(e.bitCount) + " bpp" + (bmp ? " BMP" : " not BMP");
        ok &= Expect(e.width == want[i][0] && e.height == want[i][1] && e.colors == want[i][2] &&
                         e.bitCount == want[i][3] && bmp,
                     ("icon image " + std::to_string(i + 1)).c_str(), seen);
    }
    return ok;
}

// The application manifest (type 24, id 1), read back through the resource calls: the loader reads
// it from there. Run as the invoking user, and declared for Windows Vista to 10/11.
bool CheckManifest(const char* exe) {
    const std::string manifest(Resources(exe).Find(24, 1));
    bool ok = Expect(!manifest.empty(), "manifest resource 24/1", "<absent>");
    const char* const wanted[] = {
        R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Windows Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
    };
    for (const char* want : wanted) {
        if (ok && manifest.find(want) == std::string::npos) {
            std::printf("FAIL manifest: no %s in\n%s\n", want, manifest.c_str());
            ok = false;
        }
    }
    return ok;
}

int Version(const char* exe) {
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe, &ignored));
    if (info.empty() ||
        !GetFileVersionInfoA(exe, 0, static_cast<DWORD>(info.size()), info.data())) {
        return Fail("version information", exe);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length);
    WORD* translation = nullptr;
    VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                   reinterpret_cast<void**>(&translation), &length);

    const DWORD numbers = (PRESSAVO_VERSION_MAJOR << 16) | PRESSAVO_VERSION_MINOR;
    bool ok = Expect(fixed != nullptr && fixed->dwFileVersionMS == numbers &&
                         fixed->dwFileVersionLS == 0 && fixed->dwProductVersionMS == numbers &&
                         fixed->dwProductVersionLS == 0,
                     "numeric versions", "");
    ok &= Expect(fixed != nullptr && fixed->dwFileOS == VOS__WINDOWS32 &&
                     fixed->dwFileType == VFT_APP &&
                     (fixed->dwFileFlags & fixed->dwFileFlagsMask) == 0,
                 "file OS, type and flags", "");
    ok &= Expect(
        translation != nullptr && length >= 4 && translation[0] == 0x0409 && translation[1] == 1200,
        "translation", "");
    const char* const table[][2] = {{"FileVersion", PRESSAVO_VERSION_TEXT},
                                    {"ProductVersion", PRESSAVO_VERSION_TEXT},
                                    {"ProductName", "Pressavo"},
                                    {"InternalName", "Pressavo"},
                                    {"OriginalFilename", "Pressavo.exe"}};
    for (const auto& [name, want] : table) {
        const std::string seen = VersionString(info, name);
        ok &= Expect(seen == want, name, seen);
    }
    const std::string company = VersionString(info, "CompanyName");
    ok &= Expect(!company.empty() && company != "<absent>", "CompanyName", company);
    ok &= CheckIcons(exe);
    ok &= CheckManifest(exe);
    if (ok) std::printf("version information, icons and manifest as expected\n");
    return ok ? 0 : 1;
}

int Show() {
    const HWND hwnd = TopLevel("PressavoProbeShown", DefWindowProcA);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Pump();
    return hwnd != nullptr ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "printer") return Printer(argc > 2 ? argv[2] : "");
    if (command == "version" && argc == 3) return Version(argv[2]);
    if (command == "show") return Show();
    if (command == "broadcast" && argc > 3) {
        const bool hung = std::strcmp(argv[3], "--hung") == 0;
        const int first = hung ? 4 : 3;
        if (first < argc) return Broadcast(std::atoi(argv[2]), hung, argc - first, argv + first);
    }
    std::fprintf(stderr, "usage: see the top of SwitchProbe.cpp\n");
    return 2;
}
