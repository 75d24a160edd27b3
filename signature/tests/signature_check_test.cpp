#include "signature/signature_check.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

using testing_support::LoopbackServer;
using testing_support::Reply;

namespace {

const char kSignaturePath[] = "/f/signatures/5.20.0001.zip.minisig";

std::string SignatureFixture(const std::string& name) {
    std::string text;
    EXPECT_TRUE(testing_support::ReadFile("signatures/" + name, &text)) << name;
    return text;
}

std::string KeyText(const char* name) {
    std::string text = SignatureFixture(name);
    return text.substr(text.find('\n') + 1);
}

// Feeds the package to the check as a download would, in uneven chunks.
void Download(sig::SignatureCheck& check, const std::string& bytes) {
    auto observer = check.Observer();
    ASSERT_TRUE(observer);
    for (std::size_t at = 0; at < bytes.size(); at += 1000)
        observer(bytes.data() + at, std::min<std::size_t>(1000, bytes.size() - at));
}

struct CheckCase {
    const char* name;
    Reply reply;  // for the signature's URL
    const char* reason;
};

class PackageCheckFetch : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PackageCheckFetch, FetchesTheSignatureBesideTheFolder) {
    const CheckCase& c = GetParam();
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Route(kSignaturePath, c.reply);
    sig::PackageKeys keys(("\n" + KeyText("b.pub") + " " + KeyText("a.pub")).c_str());
    sig::SignatureCheck check(keys);
    ASSERT_TRUE(keys.Enabled());
    Download(check, SignatureFixture("5.20.0001.zip"));

    std::string folder = server.Url("/f/");
    EXPECT_EQ(check.Check(folder.c_str(), "5.20.0001.zip", "unused.zip").reason, c.reason);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].path, kSignaturePath);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PackageCheckFetch,
    ::testing::Values(CheckCase{"Good", Reply::Page(SignatureFixture("prehashed.minisig")), ""},
                      CheckCase{"Missing", Reply::Page("<html>404</html>", 404),
                                "no signature: status 404"},
                      CheckCase{"Oversized", Reply::Generated(4097), "signature over 4096 bytes"}),
    [](const ::testing::TestParamInfo<CheckCase>& p) { return p.param.name; });

TEST(PackageCheckRun, ChecksEachPackageOnItsOwn) {
    LoopbackServer server;
    server.Route(kSignaturePath, Reply::Page(SignatureFixture("prehashed.minisig")));
    sig::PackageKeys keys(KeyText("a.pub").c_str());
    std::string package = SignatureFixture("5.20.0001.zip");
    std::string folder = server.Url("/f/");

    std::string flipped = package;
    flipped[10] ^= 1;
    sig::SignatureCheck first(keys);
    Download(first, flipped);
    EXPECT_EQ(first.Check(folder.c_str(), "5.20.0001.zip", "").reason, "bad signature");
    sig::SignatureCheck second(keys);
    Download(second, package);
    EXPECT_EQ(second.Check(folder.c_str(), "5.20.0001.zip", "").reason, "");
}

TEST(PackageCheckKeys, NoKeyDisablesAndABadKeyRefusesEverything) {
    for (const char* none : {"", " \t\n"}) {
        sig::PackageKeys keys(none);
        sig::SignatureCheck check(keys);
        EXPECT_FALSE(keys.Enabled());
        EXPECT_FALSE(check.Observer());
    }
    sig::PackageKeys badKeys((KeyText("a.pub") + " RWQ-broken").c_str());
    sig::SignatureCheck bad(badKeys);
    ASSERT_TRUE(badKeys.Enabled());
    Download(bad, SignatureFixture("5.20.0001.zip"));
    // Refused before anything is fetched: nothing listens at this URL.
    EXPECT_EQ(bad.Check("http://127.0.0.1:9/f/", "5.20.0001.zip", "").reason,
              "unusable compiled-in key");
}

}  // namespace
