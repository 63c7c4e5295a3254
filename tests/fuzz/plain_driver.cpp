// Runs a libFuzzer entry point without libFuzzer: a fixed-seed generator makes inputs of
// mixed shapes (random bytes, alphabet-only text, INI-like text), so CI can run the target
// briefly with any compiler. Under a sanitizer build every fault it reaches is reported.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    long runs = 10000;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::strtol(argv[i] + 7, nullptr, 10);

    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    static const char* pieces[] = {
        "[", "]", "=", ";",      ",",     "\n",     "\r\n",         " ",    "\t", "|",
        "-", "(", ")", "[area]", "name=", "a,b,,c", "\xe4\xb8\xad", "\xff", "\0"};
    std::mt19937 rng(20261211);
    std::string input;
    for (long run = 0; run < runs; ++run) {
        input.clear();
        const size_t length = rng() % (run % 100 == 0 ? 20000 : 300);
        switch (run % 3) {
        case 0:
            for (size_t i = 0; i < length; ++i)
                input.push_back(char(rng() & 0xFF));
            break;
        case 1:
            for (size_t i = 0; i < length; ++i)
                input.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
            break;
        default:
            while (input.size() < length) {
                const char* piece = pieces[rng() % (sizeof pieces / sizeof *pieces)];
                input.append(piece, piece[0] ? std::strlen(piece) : 1);
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%ld runs done\n", runs);
    return 0;
}
