// The yardstick for lumarind-cli's percent-encoding: the straightforward
// table-driven loop, one look-up per byte into a table of ready-made
// escapes, through 1 MiB buffers. Keeps the same bytes as a data URL may
// hold as they are. Usage: percent_yardstick FILE > OUT
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

struct Escape {
    char text[3];
    unsigned char length;
};

std::vector<Escape> MakeTable() {
    std::vector<Escape> table(256);
    const char* kept = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~!$*+,;=:@/?";
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != 0 && std::strchr(kept, byte) != nullptr) {
            table[byte] = {{static_cast<char>(byte)}, 1};
        } else {
            table[byte].text[0] = '%';
            table[byte].text[1] = "0123456789ABCDEF"[byte >> 4];
            table[byte].text[2] = "0123456789ABCDEF"[byte & 15];
            table[byte].length = 3;
        }
    }
    return table;
}

bool WriteAll(const char* data, std::size_t size) {
    while (size != 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const int in = ::open(argv[1], O_RDONLY);
    if (in < 0) return 1;
    const std::vector<Escape> table = MakeTable();
    std::vector<unsigned char> bytes(1 << 20);
    std::vector<char> text(3 * bytes.size());
    for (;;) {
        const ssize_t count = ::read(in, bytes.data(), bytes.size());
        if (count < 0) return 1;
        if (count == 0) break;
        char* out = text.data();
        for (ssize_t i = 0; i < count; ++i) {
            const Escape& escape = table[bytes[i]];
            std::memcpy(out, escape.text, 3);
            out += escape.length;
        }
        if (!WriteAll(text.data(), static_cast<std::size_t>(out - text.data()))) return 1;
    }
    return 0;
}
