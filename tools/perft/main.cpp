// SPDX-License-Identifier: GPL-3.0-or-later
// sorvada-perft: counts the positions after 1..N complete moves from the
// opening position and prints how fast the rules produce them. With --pdn FILE it
// replays the games of a PDN file instead and says whether every move is legal.
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PdnCheck.h"
#include "PerftSearch.h"

using namespace sorvada;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: sorvada-perft --variant american|russian --depth N [--divide] [--verify]\n"
                         "       sorvada-perft --pdn FILE\n");
    return 64;
}

} // namespace

int main(int argc, char** argv)
{
    uint8_t variant = 0;
    int depth = 0;
    bool divide = false;
    bool verify = false;
    if (argc == 3 && std::strcmp(argv[1], "--pdn") == 0)
        return checkPdnFile(argv[2], stdout);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--variant" && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v == "american")
                variant = VARIANT_AMERICAN;
            else if (v == "russian")
                variant = VARIANT_RUSSIAN;
            else
                return usage();
        } else if (arg == "--depth" && i + 1 < argc) {
            char* end = nullptr;
            const long d = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || d < 1 || d > 40)
                return usage();
            depth = static_cast<int>(d);
        } else if (arg == "--divide") {
            divide = true;
        } else if (arg == "--verify") {
            // Also compares the two boards after every move (slower).
            verify = true;
        } else {
            return usage();
        }
    }
    if (variant == 0 || depth == 0)
        return usage();

    PerftSearch perft(variant, verify);
    // Time is the processor time of this single-threaded program, so that the
    // speed of one core is measured even when the machine is busy.
    for (int d = 1; d <= depth; ++d) {
        const std::clock_t start = std::clock();
        const uint64_t nodes = perft.count(d);
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        if (perft.failed()) {
            std::fprintf(stderr, "depth %d: %s\n", d, perft.failureText().c_str());
            return 1;
        }
        const double rate = seconds > 0 ? nodes / seconds : 0.0;
        std::printf("depth %d: %llu nodes, %.3f s, %.0f nodes/s\n", d, static_cast<unsigned long long>(nodes),
                    seconds, rate);
        std::fflush(stdout);
    }
    if (divide) {
        const auto lines = perft.divide(depth);
        if (perft.failed()) {
            std::fprintf(stderr, "divide: %s\n", perft.failureText().c_str());
            return 1;
        }
        uint64_t total = 0;
        for (const auto& line : lines) {
            std::printf("%s: %llu\n", line.move.c_str(), static_cast<unsigned long long>(line.nodes));
            total += line.nodes;
        }
        std::printf("moves: %zu, total: %llu\n", lines.size(), static_cast<unsigned long long>(total));
    }
    return 0;
}
