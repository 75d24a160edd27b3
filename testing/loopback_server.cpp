#include "testing/loopback_server.h"

#include "testing/loopback_ranges.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

constexpr int kPollMs = 50;
constexpr std::size_t kMaxHead = 64 * 1024;

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 206:
            return "Partial Content";
        case 404:
            return "Not Found";
        case 416:
            return "Requested Range Not Satisfiable";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit((unsigned char)text[i + 1]) &&
            std::isxdigit((unsigned char)text[i + 2])) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string CollapsedSlashes(const std::string& path) {
    std::string out;
    for (char c : path)
        if (c != '/' || out.empty() || out.back() != '/') out.push_back(c);
    return out;
}

Reply IndexPage(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        names.push_back(it->path().filename().string() + (it->is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    std::string page = "<html><body><pre>\n";
    for (const std::string& n : names) page += "<a href=\"" + n + "\">" + n + "</a>\n";
    page += "</pre></body></html>\n";
    return Reply::Page(page);
}

std::string ChunkHeader(std::size_t size) {
    char text[32];
    std::snprintf(text, sizeof text, "%zx\r\n", size);
    return text;
}

}  // namespace

Reply Reply::Page(std::string body, int status) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    r.headers.push_back("Content-Type: text/html");
    return r;
}

Reply Reply::Generated(std::uint64_t size) {
    Reply r;
    r.generatedSize = size;
    r.headers.push_back("Content-Type: application/zip");
    return r;
}

Reply Reply::Redirect(int status, const std::string& location) {
    Reply r = Page("<a href=\"moved.zip\">moved</a>\n", status);
    r.headers.push_back("Location: " + location);
    return r;
}

namespace {

// 64 KiB of hashed bytes; block k of a generated body is this table with
// every byte XOR-ed by k, so the pattern repeats only every 16 MiB.
const char* GeneratedTable() {
    static const std::vector<char> table = [] {
        std::vector<char> t(65536);
        for (std::uint64_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<char>((i * 0x9E3779B97F4A7C15ull) >> 56);
        return t;
    }();
    return table.data();
}

void FillGenerated(char* out, std::uint64_t offset, std::size_t n) {
    const char* table = GeneratedTable();
    for (std::size_t k = 0; k < n; ++k) {
        std::uint64_t i = offset + k;
        out[k] = static_cast<char>(table[i & 0xFFFF] ^ static_cast<char>(i >> 16));
    }
}

}  // namespace

char GeneratedByte(std::uint64_t i) {
    char c;
    FillGenerated(&c, i, 1);
    return c;
}

std::string GeneratedBody(std::uint64_t size) {
    std::string s(size, '\0');
    FillGenerated(s.data(), 0, s.size());
    return s;
}

LoopbackServer::LoopbackServer() {
    // Clients in this process reach the server directly, whatever proxy the
    // environment names (libcurl honours no_proxy; WinINet bypasses loopback).
    static char noProxy[] = "no_proxy=127.0.0.1,localhost";
    if (!std::getenv("no_proxy")) putenv(noProxy);
    listener_ = sock::ListenLoopback(&port_);
    if (listener_) acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& t : workers_) t.join();  // the acceptor has stopped adding
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::Route(const std::string& path, Reply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(reply);
}

void LoopbackServer::ServeDirectory(const std::string& urlPrefix, const std::string& directory) {
    std::lock_guard<std::mutex> lock(mutex_);
    directories_.emplace_back(CollapsedSlashes(urlPrefix), directory);
}

std::vector<RequestRecord> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::AcceptLoop() {
    while (!stop_) {
        sock::Scoped c = sock::Accept(listener_.get(), kPollMs);
        if (!c) continue;
        workers_.emplace_back([this, conn = std::move(c)]() mutable { Serve(std::move(conn)); });
    }
}

Reply LoopbackServer::Find(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto route = routes_.find(path);
    if (route != routes_.end()) return route->second;
    std::string clean = CollapsedSlashes(PercentDecoded(path.substr(0, path.find('?'))));
    for (const auto& [prefix, dir] : directories_) {
        if (clean.compare(0, prefix.size(), prefix) != 0) continue;
        std::string rest = clean.substr(prefix.size());
        if (rest.find("..") != std::string::npos) break;
        fs::path target = fs::path(dir) / fs::u8path(rest);
        std::error_code ec;
        if (fs::is_directory(target, ec)) return IndexPage(target);
        std::ifstream in(target, std::ios::binary);
        if (!in) break;
        std::ostringstream bytes;
        bytes << in.rdbuf();
        Reply file = Reply::Page(bytes.str());
        file.headers = {"Content-Type: application/octet-stream"};
        SetFileValidators(target, &file);
        return file;
    }
    return Reply::Page("<html><body><h1>404 Not Found</h1><p>No such file.</p></body></html>\n",
                       404);
}

void LoopbackServer::Serve(sock::Scoped connection) {
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
        long n = sock::Receive(connection.get(), buf, sizeof buf, kPollMs);
        if (n == sock::kTimedOut && !stop_) continue;
        if (n <= 0) return;
        head.append(buf, static_cast<std::size_t>(n));
    }
    std::string line = head.substr(0, head.find("\r\n"));
    std::size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
    std::string path = sp1 != std::string::npos && sp2 > sp1 ? line.substr(sp1 + 1, sp2 - sp1 - 1)
                                                             : std::string("/");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back({path, HeaderValue(head, "User-Agent"), head});
    }
    Reply reply = AnswerRange(Find(path), head);
    if (reply.neverAnswer || Send(connection.get(), reply)) Hold(connection.get());
}

// Sends the reply; true when the connection is to be held open silently
// (stall or never answer) rather than closed.
bool LoopbackServer::Send(sock::Handle s, const Reply& reply) const {
    std::uint64_t size = reply.generatedSize ? reply.generatedSize : reply.body.size();
    size -= std::min(size, reply.offset);
    if (reply.repeatBody && !reply.body.empty()) size = Reply::kAll;
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                       ReasonPhrase(reply.status) + "\r\nConnection: close\r\n";
    for (const std::string& h : reply.headers) head += h + "\r\n";
    if (reply.framing == Reply::Framing::kChunked) head += "Transfer-Encoding: chunked\r\n";
    if (!reply.contentLength.empty())
        head += "Content-Length: " + reply.contentLength + "\r\n";
    else if (reply.framing == Reply::Framing::kContentLength && size != Reply::kAll)
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    head += "\r\n";
    if (!SendPaced(s, head, reply.dripHead, reply.dripHead ? reply.dripMs : 0)) return false;

    std::uint64_t limit = std::min({size, reply.cutAfter, reply.stallAfter});
    std::size_t step = reply.dripBody ? std::max<std::size_t>(reply.dripBytes, 1) : 65536;
    std::string block;
    for (std::uint64_t sent = 0; sent < limit && !stop_;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(limit - sent, step));
        FillBody(reply, reply.offset + sent, n, block);
        if (reply.framing == Reply::Framing::kChunked) block = ChunkHeader(n) + block + "\r\n";
        if (!SendPaced(s, block, false, reply.dripBody ? reply.dripMs : 0)) return false;
        sent += n;
    }
    if (reply.stallAfter < size) return true;
    if (reply.cutAfter >= size && reply.framing == Reply::Framing::kChunked)
        sock::SendAll(s, "0\r\n\r\n", 5);
    return false;
}

// Body bytes [offset, offset + n) into block; a repeated body wraps around.
void LoopbackServer::FillBody(const Reply& reply, std::uint64_t offset, std::size_t n,
                              std::string& block) const {
    block.resize(n);
    if (reply.generatedSize) {
        FillGenerated(block.data(), offset, n);
        return;
    }
    const std::string& body = reply.body;
    for (std::size_t k = 0; k < n;) {
        std::size_t at = static_cast<std::size_t>((offset + k) % body.size());
        std::size_t take = std::min(n - k, body.size() - at);
        block.replace(k, take, body, at, take);
        k += take;
    }
}

}  // namespace testing_support
