// A log of what Trees change on disk, for tests that rebuild the states a
// power cut may leave: every mutating call of a Tree and of the files it
// created, and every flush, in the order they succeeded. Nothing is
// recorded, and each hook costs one pointer test, unless a test holds a
// ScopedTreeRecording. One thread only, as the program itself.
//
// What counts as a flush is what the backend does, not what it promises:
// a directory flush is recorded once made (on Windows, FlushFileBuffers on
// the directory), and moves are no flush, written through or not. A failed call records nothing,
// not even a tree removal that failed part-way. Writes through a duplicate of a created file
// (File::Duplicate) are not recorded; the install never makes one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_handle.h"

namespace plat {

enum class TreeOp : std::uint8_t {
    kMakeDirectory,         // path
    kCreateFile,            // path, attributes
    kWrite,                 // path (the file as created), offset, data
    kTruncate,              // path, offset = the new size
    kSetTimes,              // path, time = the write time (0: unchanged)
    kSetAttributes,         // path, attributes
    kMove,                  // path to target
    kRemoveFile,            // path
    kRemoveEmptyDirectory,  // path
    kRemoveTree,            // path, with everything below it
    kFlushFile,             // path: its data and attributes are durable
    kFlushDirectory,        // path: its entries are durable
    kFlushFileSystem,       // everything written before is durable
};

struct TreeEvent {
    TreeOp op = TreeOp::kWrite;
    std::string root;  // the Tree's root as given to Tree::Open
    std::string path;  // relative to root, as the caller gave it
    std::string target;
    std::uint64_t offset = 0;
    std::string data;
    std::uint32_t attributes = 0;
    FileTime time = 0;
};

// Records into *log while it lives; recordings do not nest.
class ScopedTreeRecording {
public:
    explicit ScopedTreeRecording(std::vector<TreeEvent>* log);
    ~ScopedTreeRecording();
    ScopedTreeRecording(const ScopedTreeRecording&) = delete;
    ScopedTreeRecording& operator=(const ScopedTreeRecording&) = delete;
};

// The backends' hooks. Each returns true, so that it can end a chain of
// conditions after the call it records has succeeded.
bool RecordTreeOpened(const void* tree, const char* root);
bool RecordTreeEvent(const void* tree, TreeOp op, const std::string& path,
                     const std::string& target = std::string(), std::uint32_t attributes = 0);
bool RecordFileCreated(const void* tree, const std::string& path, const File& file,
                       std::uint32_t attributes);
// After a write of size bytes that left the file pointer at its end.
bool RecordFileWrite(File& file, const void* data, std::size_t size);
bool RecordFileEvent(const File& file, TreeOp op, std::uint64_t offset, FileTime time);
void RecordFileClosed(std::intptr_t handle) noexcept;

}  // namespace plat
