#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--help") != 0) {
        std::fprintf(stderr, "vidur: unknown command '%s'\n", argv[1]);
        return 2;
    }
    std::puts("usage: vidur <command> [options]");
    return 0;
}
