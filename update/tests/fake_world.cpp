#include "update/tests/fake_world.h"

#include <cstring>

#include "testing/temp_dir.h"

namespace update {

const std::string kBase = "http://host/Marl%20Quill/MarlQuill/";

std::string Folder(const char* line) { return kBase + "/" + line + "%20Installers/"; }

UpdateServices FakeWorld::Services() {
    UpdateServices s;
    SetReaders(s);
    SetFetchers(s);
    SetInstallSteps(s);
    return s;
}

void FakeWorld::SetReaders(UpdateServices& s) {
    s.writeLog = [this](const vocab::LogEvent& e) {
        bool starts = e.kind == vocab::LogKind::kStart;
        journal.push_back("log:" + (vocab::LogPrefix(e.kind) + e.text) + e.detail +
                          (starts ? "!" : ""));
    };
    s.readFileVersion = [this](const char*, char* buffer, std::size_t size) {
        if (fileVersion.empty()) return false;
        std::strncpy(buffer, fileVersion.c_str(), size - 1);
        return true;
    };
}

void FakeWorld::SetFetchers(UpdateServices& s) {
    s.fetchListing = [this](const char* url, std::string& listing) {
        fetched.push_back(url);
        auto it = listings.find(url);
        if (it != listings.end()) listing += it->second;
        return vocab::Outcome();
    };
    s.download = [this](const char* url, const char* name, char* localPath) {
        journal.push_back(std::string("download:") + url + " -> " + name +
                          (testing_support::FileExists(name) ? " (stale file still there)" : ""));
        auto failure = downloadFailures.find(name);
        if (failure != downloadFailures.end())
            return PackageDownload{vocab::Outcome::Failed("", failure->second), 0, {}};
        std::strcpy(localPath, "/full/");
        std::strcat(localPath, name);
        return PackageDownload{};
    };
}

void FakeWorld::SetInstallSteps(UpdateServices& s) {
    if (checking) {
        s.checkPackage = [this](const char* folderUrl, const char* listedName,
                                const char* localPath, const plat::File&) {
            journal.push_back(std::string("check:") + folderUrl + listedName + " at " + localPath);
            auto refusal = refusals.find(listedName);
            return refusal != refusals.end() ? vocab::Outcome::Refused("", refusal->second)
                                             : vocab::Outcome();
        };
    }
    if (recovering) {
        s.recover = [this](const char* dataDir) {
            journal.push_back(std::string("recover:") + dataDir + " after " +
                              std::to_string(fetched.size()) + " requests");
        };
    }
    s.install = [this](const char* name, const char* path, const plat::File&, const char* dataDir) {
        journal.push_back(std::string("install:") + name + " from " + path + " into " + dataDir);
    };
}

std::vector<std::string> Delivered(const char* line, const std::string& listedName,
                                   const std::string& name) {
    return {"log:START DOWLOAD: " + name, "download:" + Folder(line) + listedName + " -> " + name,
            "log:END DOWLOAD: " + name};
}

std::string Installed(const std::string& name, const std::string& dataDir) {
    return "install:" + name + " from /full/" + name + " into " + dataDir;
}

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const std::vector<std::string>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace update
