#include "framework/native.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/module.h"
#include "framework/window.h"
#include "platform/path_buffer.h"
#include "platform/scoped_fd_posix.h"

namespace fw {
namespace native {

namespace {

using plat::ScopedFd;

struct StandInWindow {
    TWindow* owner;
    std::string className;
    int showCommand;
    ScopedFd marker;  // the class's single-instance lock, held while the window lives
};

struct PostedMessage {
    StandInWindow* window;
    unsigned msg;
    TParam1 p1;
    TParam2 p2;
};

struct State {
    std::vector<std::unique_ptr<StandInWindow>> windows;
    std::deque<PostedMessage> queue;
    bool quit = false;
    int quitCode = 0;
};

State& Global() {
    static State state;
    return state;
}

StandInWindow* Live(THandle handle) {
    auto& windows = Global().windows;
    auto it =
        std::find_if(windows.begin(), windows.end(), [&](auto& w) { return w.get() == handle; });
    return it == windows.end() ? nullptr : it->get();
}

// A directory that only this user can change: owned by the effective user,
// not a link, no write bit for group or others.
bool IsPrivateDirectory(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// $XDG_RUNTIME_DIR when it is such a directory, else talcheck-<uid> in
// $TMPDIR or /tmp (made with mode 0700 when missing); empty when neither is
// usable, for example when another user has taken that name.
std::string MarkerDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && IsPrivateDirectory(runtime)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && tmp[0] == '/' ? tmp : "/tmp";
    std::string own = base + "/talcheck-" + std::to_string(::geteuid());
    ::mkdir(own.c_str(), 0700);
    return IsPrivateDirectory(own) ? own : std::string();
}

std::string MarkerPath(const std::string& className) {
    std::string dir = MarkerDirectory();
    return dir.empty() ? dir : dir + "/" + className + ".lock";
}

ScopedFd OpenMarker(const std::string& path) {
    if (path.empty()) return ScopedFd();
    return ScopedFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

// Takes the class's lock for the window's life. A FindTopLevelWindow of another
// process holds a shared lock for an instant, so a few retries ride that out;
// when another window of the class holds it, the window is made without the
// marker, as two copies that pass the look-up at the same moment both run.
// A window made without its marker says so on stderr: a later copy will not
// find it.
ScopedFd AcquireMarker(const std::string& className) {
    std::string path = MarkerPath(className);
    ScopedFd fd = OpenMarker(path);
    for (int attempt = 0; fd && attempt < 50; ++attempt) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::fprintf(stderr, "%s: no single-instance marker (%s): running without one\n",
                 className.c_str(), path.empty() ? "no private directory" : path.c_str());
    return ScopedFd();
}

}  // namespace

THandle CreateNativeWindow(TWindow* owner, const CreateParams& p) {
    Global().windows.push_back(std::make_unique<StandInWindow>(
        StandInWindow{owner, p.className, kSwHide, AcquireMarker(p.className)}));
    return Global().windows.back().get();
}

void DestroyNativeWindow(THandle handle) {
    StandInWindow* window = Live(handle);
    if (!window) return;
    bool handled = false;
    window->owner->ReceiveMessage(kWmDestroy, 0, 0, handled);
    auto& windows = Global().windows;
    auto gone = [&](auto& w) { return w.get() == window; };
    windows.erase(std::remove_if(windows.begin(), windows.end(), gone), windows.end());
}

bool PostNativeMessage(THandle handle, unsigned msg, TParam1 p1, TParam2 p2) {
    StandInWindow* window = Live(handle);
    if (!window) return false;
    Global().queue.push_back({window, msg, p1, p2});
    return true;
}

void ShowNativeWindow(THandle handle, int showCommand) {
    if (StandInWindow* window = Live(handle)) window->showCommand = showCommand;
}

int RunMessageLoop() {
    State& state = Global();
    while (!state.quit && !state.queue.empty()) {
        PostedMessage m = state.queue.front();
        state.queue.pop_front();
        // Messages for a window destroyed meanwhile are dropped, as the
        // system drops them with the window.
        if (!Live(m.window)) continue;
        bool handled = false;
        m.window->owner->ReceiveMessage(m.msg, m.p1, m.p2, handled);
    }
    // An empty queue with no quit request would wait for ever on Windows;
    // here nothing else can post, so the loop ends.
    state.quit = false;
    state.queue.clear();
    return state.quitCode;
}

void PostQuitMessage(int code) {
    Global().quit = true;
    Global().quitCode = code;
}

void SetWindowIcon(THandle, int, bool) {}

}  // namespace native

int ScreenWidth() { return 1920; }
int ScreenHeight() { return 1080; }

THandle FindTopLevelWindow(const char* className) {
    for (auto& w : native::Global().windows)
        if (w->className == className) return w.get();
    std::string path = native::MarkerPath(className);
    plat::ScopedFd fd = native::OpenMarker(path);
    if (!fd) return nullptr;
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) == 0) return nullptr;  // closing releases it
    // The caller ends quietly when it finds another copy; this is the one
    // trace of a start that did nothing.
    std::fprintf(stderr, "%s: another process holds %s\n", className, path.c_str());
    static int otherProcessWindow;
    return &otherProcessWindow;
}

// A window of another process cannot be reached; there is nothing to show.
void ShowWindowAsync(THandle window, int showCommand) {
    native::ShowNativeWindow(window, showCommand);
}

int TModule::LoadString(unsigned id, char* buf, int size) const {
    const char* text = FindStringResource(id);
    if (!text || size <= 0) return 0;
    plat::CopyBounded(buf, static_cast<std::size_t>(size), text);
    return static_cast<int>(std::strlen(buf));
}

}  // namespace fw
