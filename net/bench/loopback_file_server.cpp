// Serves one generated file of the given size at /file.zip on a free port of
// 127.0.0.1, prints the port, and runs until its standard input closes.
//   loopback_file_server 268435456
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "testing/loopback_server.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SIZE_IN_BYTES\n", argv[0]);
        return 2;
    }
    testing_support::LoopbackServer server;
    if (!server.ok()) return 1;
    server.Route("/file.zip",
                 testing_support::Reply::Generated(std::strtoull(argv[1], nullptr, 10)));
    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
