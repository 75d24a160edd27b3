// Replies of a server that misbehaves, for the tests of the client's limits
// and failure paths. Each takes or builds a Reply for LoopbackServer::Route:
//
//   server.Route("/pkg.zip", Announcing(Endless(), "10737418240"));
//   server.Route("/a/", Dripping(Reply::Page(page), Drip::kHead));
#pragma once

#include <cstddef>
#include <cstdint>

#include "testing/loopback_server.h"

namespace testing_support {

// r sent with the given framing.
Reply Framed(Reply r, Reply::Framing framing);
// The connection is closed after n bytes of r's body.
Reply CutAt(Reply r, std::uint64_t n);
// The server goes silent after n bytes of r's body, holding the connection.
Reply StallAt(Reply r, std::uint64_t n);
// The request is read and never answered.
Reply Silent();
// A generated body without end and without a length.
Reply Endless();
// r's body sent over and over, without end and without a length.
Reply Repeated(Reply r);
// r announcing length as its Content-Length; 64 KiB of the body are sent,
// then the server stays silent. (Wine's WinINet reads on the rest of an
// announced body when the request is closed, as long as bytes are there at
// once: against a body sent at loopback speed that close would take as long
// as the body.)
Reply Announcing(Reply r, const char* length);

enum class Drip { kHead, kBody };
// Every 100 ms one byte of the status line and headers (kHead) or
// bodyBytes of the body (kBody), the rest of r sent at once.
Reply Dripping(Reply r, Drip part, std::size_t bodyBytes = 1);

}  // namespace testing_support
