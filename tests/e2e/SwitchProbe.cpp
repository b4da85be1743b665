// Looks at what a run of Pressavo.exe did, from outside it, through the platform's own calls.
//   printer [--check | --reset]    the profile's Device value and the platform's default printer;
//                                  --reset first points Device at another queue
//   broadcast <within-s> [--hung=<n>] [--async] [--deny-write] [--code-page=<n>] <exe> [args...]
//                                  points Device elsewhere, runs <exe> while a top-level window of
//                                  ours listens (and, with --hung, <n> more never pump); checks the
//                                  messages it got, that the run's Form1 was a message-only window
//                                  then, and the profile and the default printer afterwards.
//                                  --deny-write: the profile refuses the run's write: it must end
//                                  with status 1, Device unchanged, the broadcast still sent.
//                                  --code-page: the ANSI code page the run gets (it inherits ours)
//                                  must be <n>, not a default the locale fell back to.
//                                  --async: <exe> only sets the run off and ends before it (as
//                                  wineboot starts the Run keys' programs); the listener then
//                                  waits for the message within the bound, and 2 s more
//   version <exe>                  the version information, icons and manifest the file carries
//   show                           shows a window: the control case of the never-shown check
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "WindowsApi.h"
// The lean gateway leaves out printing, version information and access lists.
#include <aclapi.h>
#include <winspool.h>
#include <winver.h>

namespace {

constexpr char kDeviceEntry[] = "Pressavo,winspool,Ne01:";
// Where Device points before a run, so that the run's write shows (or its refusal does).
constexpr char kElsewhere[] = "Elsewhere,winspool,Ne00:";

bool Expect(bool ok, const char* what, const std::string& seen) {
    if (!ok) std::printf("FAIL %s: got \"%s\"\n", what, seen.c_str());
    return ok;
}

// The exit status of a command that failed at `what`.
int Fail(const char* what, const std::string& seen) {
    Expect(false, what, seen);
    return 1;
}

// The profile's Device value, as any program reads it.
std::string Device() {
    char device[256] = "";
    GetProfileStringA("windows", "Device", "", device, sizeof device);
    return device;
}

int Printer(const std::string& option) {
    if (option == "--reset" && !WriteProfileStringA("windows", "Device", kElsewhere)) {
        return Fail("reset", "");
    }
    const std::string device = Device();
    char printer[256] = "";
    DWORD size = sizeof printer;
    if (!GetDefaultPrinterA(printer, &size)) std::strcpy(printer, "<none>");
    std::printf("Device: %s\nDefault printer: %s\n", device.c_str(), printer);
    if (option != "--check") return 0;
    bool ok = Expect(device == kDeviceEntry, "Device", device);
    ok &= Expect(std::strcmp(printer, "Pressavo") == 0, "default printer", printer);
    return ok ? 0 : 1;
}

// What the listening window received, and where the run's own window was when it did.
struct Heard {
    int count = 0;
    std::chrono::steady_clock::time_point first;
    WPARAM wparam = 0;
    std::string text;
    bool formMessageOnly = false;
    bool formTopLevel = false;
};
Heard g_heard;

struct ClassSearch {
    const char* className;
    bool found;
};

BOOL CALLBACK MatchClass(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<ClassSearch*>(param);
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    search.found |= std::strcmp(name, search.className) == 0;
    return TRUE;
}

// Whether a top-level window of class `className` exists. (Wine's FindWindow also finds
// message-only windows; EnumWindows lists the top-level ones alone.)
bool IsTopLevel(const char* className) {
    ClassSearch search{className, false};
    EnumWindows(MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT CALLBACK Listen(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_WININICHANGE) {
        if (g_heard.count++ == 0) {
            g_heard.first = std::chrono::steady_clock::now();
            // The run is inside its broadcast, so its window exists now.
            g_heard.formMessageOnly = FindWindowExA(HWND_MESSAGE, nullptr, "Form1", nullptr);
            g_heard.formTopLevel = IsTopLevel("Form1");
        }
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

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Serves the listener until `deadline`, or until the first message when `untilHeard`.
void ServeUntil(std::chrono::steady_clock::time_point deadline, bool untilHeard) {
    using namespace std::chrono;
    for (;;) {
        Pump();
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 || (untilHeard && g_heard.count > 0)) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != nullptr) CloseHandle(h);
    }
};

struct HangStart {
    HANDLE ready;
    HANDLE release;
};

// Owns a top-level window and waits without asking for a message: to the platform, it is hung.
DWORD WINAPI Hang(LPVOID param) {
    const HangStart start = *static_cast<const HangStart*>(param);
    if (TopLevel("PressavoProbeHung", DefWindowProcA) != nullptr) SetEvent(start.ready);
    WaitForSingleObject(start.release, INFINITE);
    return 0;
}

// Hung threads, released and waited for when this ends: a process that ends while they still
// run fails under qemu-user.
class HungThreads {
public:
    explicit HungThreads(int count) {
        for (int i = 0; i < count; ++i) {
            const Handle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
            HangStart start{ready.h, release_.h};
            const HANDLE thread = CreateThread(nullptr, 0, Hang, &start, 0, nullptr);
            if (thread == nullptr) return;
            threads_.push_back(thread);
            if (WaitForSingleObject(ready.h, 30000) != WAIT_OBJECT_0) return;
            ++ready_;
        }
    }
    ~HungThreads() {
        SetEvent(release_.h);
        for (const HANDLE thread : threads_) {
            WaitForSingleObject(thread, 30000);
            CloseHandle(thread);
        }
    }
    HungThreads(const HungThreads&) = delete;
    HungThreads& operator=(const HungThreads&) = delete;

    int Ready() const { return ready_; }

private:
    const Handle release_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::vector<HANDLE> threads_;
    int ready_ = 0;
};

constexpr char kProfileKey[] = R"(Software\Microsoft\Windows NT\CurrentVersion\Windows)";

// While it lives, no one (the invoking user included) may set a value of the profile's key or
// create a key under it; the key's own access list comes back when it ends, whatever happened.
class WriteDenied {
public:
    WriteDenied() {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kProfileKey, 0, WRITE_DAC | READ_CONTROL, &key_) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        if (GetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &original_, nullptr, &descriptor_) != ERROR_SUCCESS) {
            return;
        }
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        GetSecurityDescriptorControl(descriptor_, &control, &revision);
        wasProtected_ = (control & SE_DACL_PROTECTED) != 0;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone_)) {
            return;
        }
        EXPLICIT_ACCESS_A deny{};
        deny.grfAccessPermissions = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
        deny.grfAccessMode = DENY_ACCESS;
        deny.grfInheritance = NO_INHERITANCE;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        deny.Trustee.ptstrName = static_cast<LPSTR>(everyone_);
        if (SetEntriesInAclA(1, &deny, original_, &denied_) != ERROR_SUCCESS) return;
        applied_ = SetSecurityInfo(key_, SE_REGISTRY_KEY,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, denied_, nullptr) == ERROR_SUCCESS;
    }
    ~WriteDenied() {
        if (applied_) {
            const SECURITY_INFORMATION inherit = wasProtected_
                                                     ? PROTECTED_DACL_SECURITY_INFORMATION
                                                     : UNPROTECTED_DACL_SECURITY_INFORMATION;
            if (SetSecurityInfo(key_, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | inherit, nullptr,
                                nullptr, original_, nullptr) != ERROR_SUCCESS) {
                std::printf("FAIL giving the profile's key its access back\n");
            }
        }
        if (denied_ != nullptr) LocalFree(denied_);
        if (everyone_ != nullptr) FreeSid(everyone_);
        if (descriptor_ != nullptr) LocalFree(descriptor_);
        if (key_ != nullptr) RegCloseKey(key_);
    }
    WriteDenied(const WriteDenied&) = delete;
    WriteDenied& operator=(const WriteDenied&) = delete;

    bool Applied() const { return applied_; }

private:
    HKEY key_ = nullptr;
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;  // owns original_
    PACL original_ = nullptr;
    PSID everyone_ = nullptr;
    PACL denied_ = nullptr;
    bool wasProtected_ = false;
    bool applied_ = false;
};

struct BroadcastOptions {
    int withinSeconds = 0;
    int hung = 0;
    bool async = false;
    bool denyWrite = false;
    unsigned codePage = 0;  // 0: any
};

int Broadcast(const BroadcastOptions& options, int argc, char** argv) {
    using namespace std::chrono;
    if (options.codePage != 0 && GetACP() != options.codePage) {
        return Fail("ANSI code page", std::to_string(GetACP()));
    }
    if (Printer("--reset") != 0) return 1;
    const HungThreads hung(options.hung);
    if (hung.Ready() != options.hung) return Fail("hung window", std::to_string(hung.Ready() + 1));
    // Long enough without a message for the platform to call those threads hung.
    if (options.hung > 0) Sleep(6000);
    // Made last, so first in the broadcast's order (the top of the Z order): whatever the run
    // waits for after the listener heard it, it waits for the hung windows.
    if (TopLevel("PressavoProbeListener", Listen) == nullptr) return Fail("listener", "");
    const auto denied = options.denyWrite ? std::make_unique<WriteDenied>() : nullptr;
    if (denied && (!denied->Applied() || WriteProfileStringA("windows", "Device", kElsewhere))) {
        return Fail("denying writes to the profile", kProfileKey);
    }
    std::string line;
    for (int i = 0; i < argc; ++i) line += std::string(i ? " \"" : "\"") + argv[i] + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const auto start = steady_clock::now();
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
    const auto ended = steady_clock::now();
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &status);
    const auto bound = start + seconds(options.withinSeconds);
    // What <exe> only set off still runs: what counts is when its message arrives.
    if (options.async) ServeUntil(bound, true);
    const auto done = !options.async ? ended : g_heard.count > 0 ? g_heard.first : bound;
    // The send is synchronous, so nothing more may arrive; a late duplicate would show here.
    ServeUntil(steady_clock::now() + milliseconds(options.async ? 2000 : 500), false);
    const long long ms = duration_cast<milliseconds>(done - start).count();
    const long long sinceHeard =
        g_heard.count > 0 ? duration_cast<milliseconds>(ended - g_heard.first).count() : -1;
    std::printf(
        "exit %lu after %lld ms, %lld ms after the message%s; %d message(s), last wParam "
        "%lu, text \"%s\"\n",
        status, duration_cast<milliseconds>(ended - start).count(), sinceHeard,
        options.async ? (", message after " + std::to_string(ms) + " ms").c_str() : "",
        g_heard.count, static_cast<unsigned long>(g_heard.wparam), g_heard.text.c_str());
    // A refused write ends with status 1 and still tells everyone to re-read the profile.
    const DWORD wantStatus = options.denyWrite ? 1 : 0;
    bool ok = Expect(status == wantStatus, "exit status", std::to_string(status));
    ok &= Expect(done < bound, "duration (ms)", std::to_string(ms));
    // Skipped at once: waiting out even one hung window would cost its whole time-out (5 s).
    // This holds however slowly programs start, as they do where 32-bit code is emulated.
    ok &= Expect(options.hung == 0 || (sinceHeard >= 0 && sinceHeard < 5000),
                 "end after the message (ms)", std::to_string(sinceHeard));
    ok &= Expect(g_heard.count == 1, "message count", std::to_string(g_heard.count));
    ok &= Expect(g_heard.wparam == 0, "wParam", std::to_string(g_heard.wparam));
    ok &= Expect(g_heard.text == "windows", "lParam", g_heard.text);
    ok &= Expect(g_heard.formMessageOnly && !g_heard.formTopLevel, "Form1 message-only",
                 std::string(g_heard.formMessageOnly ? "message-only" : "not message-only") +
                     (g_heard.formTopLevel ? ", top-level" : ""));
    if (!options.denyWrite) return Printer("--check") == 0 && ok ? 0 : 1;
    const std::string device = Device();
    ok &= Expect(device == kElsewhere, "Device left as it was", device);
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
                                    {"OriginalFilename", "Pressavo.exe"},
                                    {"CompanyName", PRESSAVO_COMPANY},
                                    {"FileDescription", PRESSAVO_DESCRIPTION},
                                    {"LegalCopyright", PRESSAVO_COPYRIGHT}};
    for (const auto& [name, want] : table) {
        const std::string seen = VersionString(info, name);
        std::printf("%s: %s\n", name, seen.c_str());
        ok &= Expect(seen == want, name, seen);
    }
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
        BroadcastOptions options;
        options.withinSeconds = std::atoi(argv[2]);
        int first = 3;
        for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
            const std::string option = argv[first];
            if (option.starts_with("--hung=")) {
                options.hung = std::atoi(option.c_str() + 7);
            } else if (option == "--async") {
                options.async = true;
            } else if (option == "--deny-write") {
                options.denyWrite = true;
            } else if (option.starts_with("--code-page=")) {
                options.codePage = static_cast<unsigned>(std::atoi(option.c_str() + 12));
            } else {
                first = argc;  // unknown: usage
            }
        }
        if (first < argc) return Broadcast(options, argc - first, argv + first);
    }
    std::fprintf(stderr, "usage: see the top of SwitchProbe.cpp\n");
    return 2;
}
