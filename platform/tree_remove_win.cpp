// Removal below a Tree's root: each entry is opened as itself and deleted
// through its handle, so a link goes as a link and is never followed.
#include "platform/tree_impl_win.h"
#include "platform/tree_recording.h"

namespace plat {

namespace {

// Deletes what handle was opened on, when it is closed: the object itself,
// so a link is removed as a link and never followed (RemoveDirectoryW would
// follow a Unix link under Wine).
bool DeleteOnClose(const ScopedFile& handle) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    return handle.valid() && ::SetFileInformationByHandle(Native(handle), FileDispositionInfo,
                                                          &disposition, sizeof disposition);
}

// Opens path as itself for deletion; real is set when it is a directory
// that is no reparse point. Without delete sharing nobody can swap it
// meanwhile.
ScopedFile OpenForDeletion(const std::wstring& path, bool* real) {
    ScopedFile handle = OpenAsItself(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE);
    BY_HANDLE_FILE_INFORMATION info;
    *real = handle.valid() && ::GetFileInformationByHandle(Native(handle), &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return handle;
}

// A read-only file cannot be deleted as it is: its bit is cleared through a
// handle on the file itself, the file is marked for deletion, and the bit
// is set again, so that a second link (which may lie outside) keeps it.
bool DeleteReadOnly(const std::wstring& path) {
    ScopedFile file = OpenAsItself(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    FILE_BASIC_INFO kept{};
    if (!file.valid() ||
        !::GetFileInformationByHandleEx(Native(file), FileBasicInfo, &kept, sizeof kept))
        return false;
    FILE_BASIC_INFO attributes{};  // times of 0 stay as they are
    attributes.FileAttributes = kept.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (attributes.FileAttributes == 0) attributes.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    bool deleted =
        ::SetFileInformationByHandle(Native(file), FileBasicInfo, &attributes, sizeof attributes) &&
        DeleteOnClose(file);
    attributes.FileAttributes = kept.FileAttributes;
    ::SetFileInformationByHandle(Native(file), FileBasicInfo, &attributes, sizeof attributes);
    return deleted;
}

bool RemoveContents(const std::wstring& path, int depth);

// path with everything below it; a reparse point only as itself. While its
// contents go, a directory is held open as itself without delete sharing
// (a handle with delete access would keep the listing from being opened).
bool RemoveEntry(const std::wstring& path, DWORD attributes, int depth) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (attributes & FILE_ATTRIBUTE_READONLY) return DeleteReadOnly(path);
        return ::DeleteFileW(path.c_str()) != FALSE;
    }
    bool contents = true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ScopedFile pin =
            OpenAsItself(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
        BY_HANDLE_FILE_INFORMATION info;
        bool real = pin.valid() && ::GetFileInformationByHandle(Native(pin), &info) &&
                    !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        contents = real && depth < kMaxTreeDepth && RemoveContents(path, depth + 1);
    }
    bool real = false;
    ScopedFile handle = OpenForDeletion(path, &real);
    return DeleteOnClose(handle) && contents;
}

// Removes everything below the directory path (held open by the caller as
// itself): a reparse point is removed as itself, read-only files too.
bool RemoveContents(const std::wstring& path, int depth) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        all = RemoveEntry(path + L"\\" + name, found.dwFileAttributes, depth) && all;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return all;
}

}  // namespace

bool Tree::RemoveEmptyDirectory(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return false;
    Forget(rel);
    bool real = false;
    ScopedFile handle = OpenForDeletion(full, &real);
    return real && DeleteOnClose(handle) &&
           RecordTreeEvent(impl_.get(), TreeOp::kRemoveEmptyDirectory, rel);
}

bool Tree::RemoveFile(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return false;
    DWORD a = ::GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return RemoveEntry(full, a, 0) && RecordTreeEvent(impl_.get(), TreeOp::kRemoveFile, rel);
}

bool Tree::RemoveTree(const std::string& rel) {
    std::wstring full;
    if (!impl_ || !impl_->Reach(rel, &full)) return impl_ && impl_->failure == PathKind::kMissing;
    Forget(rel);
    DWORD a = ::GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return IsMissing(::GetLastError());
    return RemoveEntry(full, a, 0) && RecordTreeEvent(impl_.get(), TreeOp::kRemoveTree, rel);
}

}  // namespace plat
