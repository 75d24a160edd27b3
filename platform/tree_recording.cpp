#include "platform/tree_recording.h"

#include <map>
#include <memory>

namespace plat {

namespace {

struct Recording {
    std::vector<TreeEvent>* log = nullptr;
    std::map<const void*, std::string> roots;  // by Tree::Impl
    struct Created {
        std::string root;
        std::string path;
    };
    std::map<std::intptr_t, Created> files;  // by native handle
};

std::unique_ptr<Recording> g_recording;

void Append(TreeEvent event) { g_recording->log->push_back(std::move(event)); }

std::string RootOf(const void* tree) {
    auto hit = g_recording->roots.find(tree);
    return hit == g_recording->roots.end() ? std::string() : hit->second;
}

const Recording::Created* CreatedFile(const File& file) {
    if (g_recording == nullptr) return nullptr;
    auto hit = g_recording->files.find(file.native());
    return hit == g_recording->files.end() ? nullptr : &hit->second;
}

}  // namespace

ScopedTreeRecording::ScopedTreeRecording(std::vector<TreeEvent>* log) {
    g_recording = std::make_unique<Recording>();
    g_recording->log = log;
}

ScopedTreeRecording::~ScopedTreeRecording() { g_recording.reset(); }

bool RecordTreeOpened(const void* tree, const char* root) {
    // A Tree opened before the recording began has no root in the log.
    if (g_recording != nullptr) g_recording->roots[tree] = root;
    return true;
}

bool RecordTreeEvent(const void* tree, TreeOp op, const std::string& path,
                     const std::string& target, std::uint32_t attributes) {
    if (g_recording == nullptr) return true;
    Append(TreeEvent{op, RootOf(tree), path, target, 0, std::string(), attributes, 0});
    return true;
}

bool RecordFileCreated(const void* tree, const std::string& path, const File& file,
                       std::uint32_t attributes) {
    if (g_recording == nullptr || !file.valid()) return true;
    RecordTreeEvent(tree, TreeOp::kCreateFile, path, std::string(), attributes);
    g_recording->files[file.native()] = Recording::Created{RootOf(tree), path};
    return true;
}

bool RecordFileWrite(File& file, const void* data, std::size_t size) {
    const Recording::Created* created = CreatedFile(file);
    std::uint64_t end = 0;
    if (created == nullptr || !file.Seek(0, SeekOrigin::kCurrent, &end)) return true;
    Append(TreeEvent{TreeOp::kWrite, created->root, created->path, std::string(), end - size,
                     std::string(static_cast<const char*>(data), size), 0, 0});
    return true;
}

bool RecordFileEvent(const File& file, TreeOp op, std::uint64_t offset, FileTime time) {
    const Recording::Created* created = CreatedFile(file);
    if (created == nullptr) return true;
    Append(
        TreeEvent{op, created->root, created->path, std::string(), offset, std::string(), 0, time});
    return true;
}

void RecordFileClosed(std::intptr_t handle) noexcept {
    // The handle's number may come back for a file no Tree created.
    if (g_recording != nullptr) g_recording->files.erase(handle);
}

}  // namespace plat
