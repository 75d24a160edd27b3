// What the install tests share: the names of the test helpers, and a
// fixture whose install directory holds bin/app.dll ("old app") and
// keep.txt ("keep"), with the download beside the data directory and the
// log lines an install writes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installation/install_package.h"
#include "installation/tests/install_snapshot.h"
#include "installation/tests/zip_builder.h"
#include "testing/temp_dir.h"

namespace installation {

namespace fs = std::filesystem;
using install_snapshot::kPackage;
using testing_support::FileExists;
using testing_support::FileText;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;
using zip_builder::Entry;

class InstallFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(install_ + "/bin");
        ASSERT_TRUE(WriteFile(install_ + "/bin/app.dll", "old app"));
        ASSERT_TRUE(WriteFile(install_ + "/keep.txt", "keep"));
    }
    vocab::LogWriter Writer() {
        return [this](const vocab::LogEvent& e) { log_.push_back(vocab::LogLineText(e)); };
    }
    // The download made of entries; its bytes.
    std::string PutPackage(const std::vector<Entry>& entries) {
        std::string package = zip_builder::Build(entries);
        EXPECT_TRUE(WriteFile(download_, package));
        return package;
    }
    bool Install(const PackageLimits& limits = PackageLimits()) {
        return InstallPackage(kPackage, download_.c_str(), data_.c_str(), Writer(), nullptr,
                              limits);
    }
    std::string Contents(const std::string& relative) {
        return FileText(install_ + "/" + relative);
    }

    ScopedTempDir dir_;
    std::string data_ = dir_.Join("data");
    std::string install_ = data_ + "/install";
    std::string download_ = dir_.Join(kPackage);
    std::vector<std::string> log_;
};

inline Entry Deflated(const std::string& name, const std::string& data) {
    Entry e(name, data);
    e.method = 8;
    return e;
}

// Items every install may take, good ones first so that a refusal after
// them must undo nothing visible: bin/app.dll becomes 3,000 'n's.
inline std::vector<Entry> GoodItems() {
    return {Deflated("bin/app.dll", std::string(3000, 'n')), {"readme.txt", "new readme"}};
}

// The two lines around every install's own.
inline std::vector<std::string> CopyLines(std::vector<std::string> inner) {
    inner.insert(inner.begin(), std::string("START COPY: ") + kPackage);
    inner.push_back(std::string("END COPY: ") + kPackage);
    return inner;
}

}  // namespace installation
