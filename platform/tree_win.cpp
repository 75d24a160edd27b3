#include <utility>

#include "platform/tree_impl_win.h"
#include "platform/tree_recording.h"

namespace plat {

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    // The ANSI code page converts as the A-suffixed calls would; UTF-8 that
    // is no UTF-8 is refused rather than guessed at.
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                  nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                  0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string text(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n,
                          nullptr, nullptr);
    return text;
}

}  // namespace

ScopedFile OpenAsItself(const std::wstring& path, DWORD access, DWORD share) {
    return Owned(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::wstring Tree::Impl::Full(const std::vector<std::string>& parts, std::size_t count) const {
    std::wstring path = root;
    for (std::size_t i = 0; i < count; ++i) path += L"\\" + Widen(parts[i], CP_UTF8);
    return path;
}

bool Tree::Impl::Pin(const std::vector<std::string>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += (i ? "/" : "") + parts[i];
        if (cache.Find(path)) continue;
        std::wstring full = Full(parts, i + 1);
        ScopedFile pin =
            OpenAsItself(full, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
        BY_HANDLE_FILE_INFORMATION info;
        if (!pin.valid()) {
            DWORD error = ::GetLastError();
            DWORD a = ::GetFileAttributesW(full.c_str());
            bool link = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
            failure = IsMissing(error) ? PathKind::kMissing
                      : link           ? PathKind::kLink
                                       : PathKind::kOther;
            return false;
        }
        if (!::GetFileInformationByHandle(Native(pin), &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            failure = PathKind::kLink;
            return false;
        }
        cache.Add(path, std::move(pin));
    }
    return true;
}

bool Tree::Impl::Reach(const std::string& rel, std::wstring* full) {
    std::vector<std::string> parts;
    failure = PathKind::kOther;
    if (!rootHandle.valid() || !SplitTreePath(rel, &parts)) return false;
    for (const std::string& part : parts)
        if (Widen(part, CP_UTF8).empty()) return false;
    if (!Pin(parts, parts.size() - 1)) return false;
    *full = Full(parts, parts.size());
    return true;
}

bool Tree::Impl::ReachSelf(const std::string& rel, std::wstring* full) {
    if (rel.find_first_not_of("/\\") == std::string::npos) {
        *full = root;
        return rootHandle.valid();
    }
    return Reach(rel, full);
}

Tree Tree::Open(const char* root) {
    Tree tree;
    std::wstring wide = Widen(root ? root : "", CP_ACP);
    wchar_t full[32768];
    DWORD n = wide.empty() ? 0 : ::GetFullPathNameW(wide.c_str(), 32768, full, nullptr);
    if (n == 0 || n >= 32768) return tree;
    std::wstring path(full, n);
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (path.compare(0, 4, L"\\\\?\\") != 0)
        path =
            path.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + path.substr(2) : L"\\\\?\\" + path;
    if (path.back() == L'\\') path.pop_back();
    // The root itself may be a link: it is followed, and then held.
    ScopedFile handle =
        Owned(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle.valid() || !::GetFileInformationByHandle(Native(handle), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return tree;
    tree.impl_ = std::make_unique<Impl>();
    tree.impl_->root = path;
    tree.impl_->rootHandle = std::move(handle);
    RecordTreeOpened(tree.impl_.get(), root);
    return tree;
}

bool Tree::valid() const { return impl_ && impl_->rootHandle.valid(); }

PathKind Tree::Inspect(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return impl_ ? impl_->failure : PathKind::kOther;
    // GetFileAttributesW reports a link's own attributes, never its target's.
    DWORD a = ::GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return IsMissing(::GetLastError()) ? PathKind::kMissing : PathKind::kOther;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::kLink;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kDirectory;
    return (a & FILE_ATTRIBUTE_DEVICE) ? PathKind::kOther : PathKind::kFile;
}

std::uint32_t Tree::Attributes(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return kInvalidAttributes;
    return ::GetFileAttributesW(full.c_str());
}

bool Tree::Stamp(const std::string& rel, FileStamp* stamp) {
    std::wstring full;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!impl_ || !impl_->Reach(rel, &full) ||
        !::GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        return false;
    stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp->writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool Tree::SetAttributes(const std::string& rel, std::uint32_t attributes) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return false;
    // Through a handle on the name itself, so a link put there meanwhile is
    // refused rather than its target changed.
    ScopedFile file = OpenAsItself(full, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!file.valid() ||
        !::GetFileInformationByHandleEx(Native(file), FileBasicInfo, &basic, sizeof basic) ||
        !::GetFileInformationByHandleEx(Native(file), FileStandardInfo, &standard,
                                        sizeof standard) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    // A second link may name a file outside the tree: its attributes stay.
    if (!standard.Directory && standard.NumberOfLinks > 1) return false;
    DWORD kind = basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | kind;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(Native(file), FileBasicInfo, &basic, sizeof basic) &&
           RecordTreeEvent(impl_.get(), TreeOp::kSetAttributes, rel, std::string(), attributes);
}

bool Tree::MakeDirectory(const std::string& rel) {
    std::wstring full;
    return impl_ && impl_->Reach(rel, &full) && ::CreateDirectoryW(full.c_str(), nullptr) &&
           RecordTreeEvent(impl_.get(), TreeOp::kMakeDirectory, rel);
}

bool Tree::Move(const std::string& from, const std::string& to) {
    std::wstring source, target;
    if (!impl_ || !impl_->Reach(from, &source) || !impl_->Reach(to, &target)) return false;
    Forget(from);
    // Pinning the target's directories may have dropped the source's.
    if (!impl_->Reach(from, &source)) return false;
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) &&
           RecordTreeEvent(impl_.get(), TreeOp::kMove, from, to);
}

File Tree::CreateNew(const std::string& rel, std::uint32_t attributes) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return File();
    HANDLE h = ::CreateFileW(
        full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        (attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) | FILE_FLAG_OPEN_REPARSE_POINT,
        nullptr);
    if (h == INVALID_HANDLE_VALUE) return File::Failed(static_cast<int>(::GetLastError()));
    File file = File::Adopt(reinterpret_cast<std::intptr_t>(h));
    RecordFileCreated(impl_.get(), rel, file, attributes);
    return file;
}

File Tree::OpenRegular(const std::string& rel, std::uint64_t maxBytes) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return File();
    DWORD a = ::GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES ||
        (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        return File();
    File file = File::Adopt(reinterpret_cast<std::intptr_t>(
        ::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (!file.valid()) return File::Failed(static_cast<int>(::GetLastError()));
    std::uint64_t size = 0;
    if (::GetFileType(reinterpret_cast<HANDLE>(file.native())) != FILE_TYPE_DISK ||
        !file.Size(&size) || size > maxBytes)
        return File();
    return file;
}

bool Tree::FlushDirectory(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->ReachSelf(rel, &full)) return false;
    // NTFS journals its metadata, but its log is written lazily: a rename
    // may be lost in a power cut although the file's own data was flushed.
    // FlushFileBuffers on the directory writes the log through, as fsync
    // does on POSIX; it needs write access to the directory itself.
    ScopedFile dir =
        OpenAsItself(full, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!dir.valid()) return false;
    // File systems without a directory flush (FAT, some network shares).
    bool flushed = ::FlushFileBuffers(Native(dir)) || ::GetLastError() == ERROR_INVALID_FUNCTION ||
                   ::GetLastError() == ERROR_NOT_SUPPORTED;
    return flushed && RecordTreeEvent(impl_.get(), TreeOp::kFlushDirectory, rel);
}

bool Tree::FlushFileSystem(const std::string& /*rel*/) { return false; }

std::string TreeName(const std::string& name, bool utf8) {
    return utf8 ? name : ToUtf8(Widen(name, CP_ACP));
}

}  // namespace plat
