// Journal fuzzer: the input is a leftover journal. It is parsed, and then
// recovered in a small install directory with staged files, a file in
// place, a link to a folder outside and a second link to a file outside.
// Whatever the journal says, recovery must end, the folder outside must
// keep its one file untouched and the linked file its mode. An input that
// starts with "!" holds record bodies, one a line, which are given their
// checks here (the fuzzer would hardly find a CRC-32 itself).
#include <fcntl.h>
#include <zlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "installation/journal.h"
#include "installation/recovery.h"
#include "installation/staging.h"
#include "platform/file_system.h"

namespace {

std::string g_scratch;

void Write(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::close(fd);
}

std::string Read(const std::string& path) {
    char buffer[64] = {};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
}

// Each line of bodies as a record with its check.
std::string Sign(const std::string& bodies) {
    std::string text;
    std::size_t pos = 0;
    for (std::size_t end; (end = bodies.find('\n', pos)) != std::string::npos; pos = end + 1) {
        std::string checked = std::to_string(end - pos) + " " + bodies.substr(pos, end - pos);
        char crc[10];
        std::snprintf(crc, sizeof crc, "%08lx ",
                      crc32(0, reinterpret_cast<const Bytef*>(checked.data()),
                            static_cast<uInt>(checked.size())));
        text += crc + checked + "\n";
    }
    return text + bodies.substr(pos);
}

void Prepare(const std::string& journal) {
    std::string install = g_scratch + "/install";
    plat::RemoveTree(install.c_str(), nullptr);
    ::mkdir(install.c_str(), 0755);
    ::mkdir((install + "/bin").c_str(), 0755);
    ::mkdir((install + "/.talcheck-staging").c_str(), 0755);
    ::symlink("../outside", (install + "/link").c_str());
    Write(install + "/bin/app.dll", "new");
    ::link((g_scratch + "/outside/linked").c_str(), (install + "/bin/linked").c_str());
    for (const char* staged : {"b0", "0", "1", "target", "b1"})
        Write(install + "/.talcheck-staging/" + staged, staged);
    Write(install + "/.talcheck-staging/journal", journal);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (g_scratch.empty()) {
        char pattern[] = "/tmp/journal-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        g_scratch = pattern;
        ::mkdir((g_scratch + "/outside").c_str(), 0755);
        ::mkdir((g_scratch + "/outside/sub").c_str(), 0755);
        Write(g_scratch + "/outside/victim.txt", "victim");
        Write(g_scratch + "/outside/linked", "new");
        ::chmod((g_scratch + "/outside/linked").c_str(), 0600);
        std::atexit([] { plat::RemoveTree(g_scratch.c_str(), nullptr); });
        // What is flushed does not change what recovery does; it only slows it.
        installation::SetFlushingForTesting(false);
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    installation::JournalContents journal = installation::ReadJournal(text);
    std::string again = installation::FormatJournalHeader(journal.entries.size());
    for (const installation::JournalEntry& e : journal.entries)
        again += installation::FormatJournalRecord(e);
    // What a journal with sound step records says is what it holds, record
    // for record (the inputs whose numbers are written as we write them).
    bool sound = journal.state == installation::JournalState::kSteps ||
                 journal.state == installation::JournalState::kCommitted;
    if (sound && text.compare(0, again.size(), again) != 0 &&
        installation::ReadJournal(again).entries.size() != journal.entries.size())
        std::abort();

    Prepare(text.rfind("!", 0) == 0 ? Sign(text.substr(1)) : text);
    installation::RecoverInstallDirectory((g_scratch + "/install").c_str());
    struct stat st {};
    if (Read(g_scratch + "/outside/victim.txt") != "victim") std::abort();
    if (::stat((g_scratch + "/outside/sub").c_str(), &st) != 0) std::abort();
    if (::stat((g_scratch + "/outside/linked").c_str(), &st) != 0 || (st.st_mode & 07777) != 0600)
        std::abort();
    if (::access((g_scratch + "/outside/sub/x").c_str(), F_OK) == 0) std::abort();
    return 0;
}
