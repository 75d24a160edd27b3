// A small HTTP/1.1 server on 127.0.0.1 for tests, running on its own threads
// inside the test process; it listens on a free port from construction to
// destruction. Every response closes its connection.
//
//   LoopbackServer server;
//   server.Route("/a/", Reply::Page("<a href=\"x.zip\">x.zip</a>\n"));
//   server.Route("/big.zip", Reply::Generated(100000));
//   server.Route("/endless.zip", Reply::Generated(Reply::kAll));  // no end, no length
//   server.ServeDirectory("/root/", dir);   // files, and index pages for folders
//   FetchFolderListing(server.Url("/a/").c_str(), listing, ".");
//
// Paths without a route and outside every served directory get 404 with an
// HTML body. Files of a served directory carry an ETag made of their time
// and size, and are served in ranges. Replies that misbehave are built in
// testing/hostile_replies.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/loopback_socket.h"

namespace testing_support {

struct Reply {
    enum class Framing { kContentLength, kChunked, kUntilClose };
    static constexpr std::uint64_t kAll = ~std::uint64_t{0};

    int status = 200;
    std::vector<std::string> headers;  // extra lines, "Name: value"
    std::string body;
    std::uint64_t generatedSize = 0;  // when > 0: body is GeneratedByte(0..size-1)
    Framing framing = Framing::kContentLength;
    std::string contentLength;        // sent instead of the true length when not empty
    std::uint64_t cutAfter = kAll;    // body bytes sent before the connection is closed
    std::uint64_t stallAfter = kAll;  // body bytes sent before the server goes silent
    bool neverAnswer = false;         // read the request, then say nothing
    bool repeatBody = false;          // body sent over and over, without end
    // One byte every dripMs milliseconds of the status line and headers
    // when dripHead; dripBytes of the body every dripMs when dripBody.
    int dripMs = 0;
    std::size_t dripBytes = 1;
    bool dripHead = false;
    bool dripBody = false;

    // Ranges as the installer server's static files answer them (see
    // testing/loopback_ranges.h): set etag (quotes included) to send ETag,
    // Last-Modified and Accept-Ranges and to answer Range and If-Range.
    std::string etag;
    std::string lastModified;
    // A server that gets ranges wrong: its 206 starts this much earlier.
    std::uint64_t rangeStartsEarlier = 0;
    // First body byte sent (a 206 answer's start); set by AnswerRange.
    std::uint64_t offset = 0;

    static Reply Page(std::string body, int status = 200);
    static Reply Generated(std::uint64_t size);
    static Reply Redirect(int status, const std::string& location);
};

// The byte at offset i of a generated body: the pattern repeats only every
// 16 MiB, so a chunk written twice or skipped shows.
char GeneratedByte(std::uint64_t i);
std::string GeneratedBody(std::uint64_t size);

struct RequestRecord {
    std::string path;
    std::string userAgent;
    std::string head;  // request line and headers as received
};

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool ok() const { return listener_.valid(); }
    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::string Url(const std::string& path) const;

    // Answers requests for exactly this path (query string included).
    void Route(const std::string& path, Reply reply);
    // Maps urlPrefix (ending in '/') onto directory: %XX sequences are
    // decoded and repeated slashes count as one; a folder answers with an
    // index page of one "<a href="name">name</a>" line per entry, sorted.
    void ServeDirectory(const std::string& urlPrefix, const std::string& directory);

    std::vector<RequestRecord> Requests() const;

private:
    void AcceptLoop();
    void Serve(sock::Scoped connection);
    Reply Find(const std::string& path) const;
    bool Send(sock::Handle s, const Reply& reply) const;
    bool SendPaced(sock::Handle s, const std::string& data, bool drip, int dripMs) const;
    void FillBody(const Reply& reply, std::uint64_t offset, std::size_t n,
                  std::string& block) const;
    void Hold(sock::Handle s) const;

    sock::Scoped listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> routes_;
    std::vector<std::pair<std::string, std::string>> directories_;
    std::vector<RequestRecord> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace testing_support
