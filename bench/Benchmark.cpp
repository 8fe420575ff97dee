// Benchmark: builds large tables from a seed, converts them with dbf2xml in both modes and
// measures speed and peak memory against two floors of plain reading and writing.
//
//   korvane_bench [--dbf2xml PATH] [--dir DIR] [--runs N] [--small-only] [--table NAME]
//   korvane_bench floor-records TABLE BYTES   (one positioned read per record)
//   korvane_bench floor-blocks TABLE BYTES    (64 KiB reads)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kBlock = 64 * 1024;

// ---- table generation ------------------------------------------------------------------

struct Field {
    const char* name;
    char type;
    int width;
    int precision;
    std::uint8_t flags = 0;
};

void PutLe(std::string& s, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Header(std::uint8_t version, const std::vector<Field>& fields, std::uint32_t records, int& recordLength) {
    recordLength = 1;
    for (const auto& f : fields) recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1 + (version == 0x30 ? 263 : 0);
    std::string h;
    h += static_cast<char>(version);
    h += "\x7E\x0C\x01";
    PutLe(h, records, 4);
    PutLe(h, static_cast<std::uint64_t>(headerLength), 2);
    PutLe(h, static_cast<std::uint64_t>(recordLength), 2);
    h += std::string(17, '\0');
    h += version == 0x30 ? '\xC8' : '\0';
    h += std::string(2, '\0');
    for (const auto& f : fields) {
        std::string name = f.name;
        name.resize(11, '\0');
        h += name;
        h += f.type;
        h += std::string(4, '\0');
        h += static_cast<char>(f.width);
        h += static_cast<char>(f.precision);
        h += static_cast<char>(f.flags);
        h += std::string(13, '\0');
    }
    h += '\x0D';
    h.resize(static_cast<std::size_t>(headerLength), '\0');
    return h;
}

const char* kAscii[] = {"Novak", "Svoboda", "Dvorak", "Cerny", "Prochazka", "Kucera", "Vesely", "Horak"};
// Czech words in Windows-1250 and in code page 852.
const char* kWin1250[] = {"P\xF8\xEDli\x9A \xBElu\x9Dou\xE8k\xFD k\xF9\xF2",
                          "\xC8"
                          "esk\xE9 Bud\xECjovice",
                          "\xDAst\xED nad Labem", "Plze\xF2"};
const char* kCp852[] = {"P\xFD\xA1li\xE7 \xA7lu\x9Cou\x9Fk\xEC k\x85\xE5",
                        "\xAC"
                        "esk\x82 Bud\xD8jovice",
                        "\xE9st\xA1 nad Labem", "Plze\xE5"};

std::string Pad(const std::string& s, int width, bool right = false) {
    if (static_cast<int>(s.size()) >= width) return s.substr(0, static_cast<std::size_t>(width));
    const std::string fill(static_cast<std::size_t>(width) - s.size(), ' ');
    return right ? fill + s : s + fill;
}

void WriteDbase(const std::string& path, std::uint64_t bytes, std::uint32_t seed) {
    const std::vector<Field> fields = {{"JMENO", 'C', 20, 0}, {"ULICE", 'C', 30, 0},  {"MESTO", 'C', 30, 0},
                                       {"KOD", 'C', 10, 0},   {"CASTKA", 'N', 12, 2}, {"POCET", 'N', 8, 0},
                                       {"KURZ", 'N', 12, 4},  {"DATUM", 'D', 8, 0},   {"AKTIVNI", 'L', 1, 0},
                                       {"ZMENA", 'D', 8, 0},  {"SKUPINA", 'N', 4, 0}, {"POZN", 'C', 15, 0}};
    int recordLength = 0;
    Header(0x03, fields, 0, recordLength);
    const auto records = static_cast<std::uint32_t>(bytes / static_cast<std::uint64_t>(recordLength));
    std::string out = Header(0x03, fields, records, recordLength);
    std::mt19937 rng(seed);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::string rec;
    char buf[64];
    for (std::uint32_t i = 0; i < records; ++i) {
        rec.clear();
        rec += rng() % 50 == 0 ? '*' : ' ';
        rec += Pad(std::string(kAscii[rng() % 8]) + " " + std::to_string(rng() % 1000), 20);
        rec += Pad(kWin1250[rng() % 4], 30);
        rec += Pad(kCp852[rng() % 4], 30);
        rec += Pad(std::to_string(rng() % 100000), 10);
        std::snprintf(buf, sizeof buf, "%.2f", (static_cast<int>(rng() % 2000000) - 1000000) / 100.0);
        rec += Pad(buf, 12, true);
        rec += Pad(std::to_string(rng() % 10000000), 8, true);
        std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(rng() % 100000000) / 10000.0);
        rec += Pad(buf, 12, true);
        std::snprintf(buf, sizeof buf, "%04u%02u%02u", static_cast<unsigned>(1950 + rng() % 75),
                      static_cast<unsigned>(1 + rng() % 12), static_cast<unsigned>(1 + rng() % 28));
        rec += buf;
        rec += rng() % 2 ? 'T' : 'F';
        std::snprintf(buf, sizeof buf, "%04u%02u%02u", static_cast<unsigned>(2000 + rng() % 25),
                      static_cast<unsigned>(1 + rng() % 12), static_cast<unsigned>(1 + rng() % 28));
        rec += buf;
        rec += Pad(std::to_string(rng() % 100), 4, true);
        rec += Pad(rng() % 3 ? "" : "pozn\xE1mka", 15);
        std::fwrite(rec.data(), 1, rec.size(), f);
    }
    std::fputc(0x1A, f);
    std::fclose(f);
}

void WriteFoxPro(const std::string& path, std::uint64_t bytes, std::uint32_t seed) {
    const std::vector<Field> fields = {{"NAZEV", 'C', 40, 0, 0x02}, {"MNOZSTVI", 'I', 4, 0},    {"CENA", 'Y', 8, 4},
                                       {"CAS", 'T', 8, 0},          {"VAHA", 'B', 8, 2},        {"SLEVA", 'N', 8, 2, 0x02},
                                       {"SKLADEM", 'L', 1, 0},      {"POPIS", 'M', 4, 0, 0x02}, {"_NullFlags", '0', 1, 0, 0x07}};
    int recordLength = 0;
    Header(0x30, fields, 0, recordLength);
    const auto records = static_cast<std::uint32_t>(bytes / static_cast<std::uint64_t>(recordLength + 40));
    std::string out = Header(0x30, fields, records, recordLength);
    std::mt19937 rng(seed);
    FILE* f = std::fopen(path.c_str(), "wb");
    FILE* memo = std::fopen((path.substr(0, path.size() - 4) + ".fpt").c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    // FoxPro memo header: next free block (big-endian), block length 64 at offset 6.
    std::string mh(512, '\0');
    mh[6] = 0;
    mh[7] = 64;
    std::fwrite(mh.data(), 1, mh.size(), memo);
    std::uint32_t nextBlock = 512 / 64;
    std::string rec;
    for (std::uint32_t i = 0; i < records; ++i) {
        rec.clear();
        rec += rng() % 50 == 0 ? '*' : ' ';
        rec += Pad(std::string(kWin1250[rng() % 4]) + " " + std::to_string(rng() % 100000), 40);
        PutLe(rec, rng() % 100000, 4);
        PutLe(rec, static_cast<std::uint64_t>(static_cast<std::int64_t>(rng() % 100000000) - 50000000), 8);
        PutLe(rec, 2451545 + rng() % 9000, 4);
        PutLe(rec, rng() % 86400000, 4);
        const double weight = static_cast<double>(rng() % 100000) / 100.0;
        std::uint64_t bits;
        std::memcpy(&bits, &weight, 8);
        PutLe(rec, bits, 8);
        rec += Pad(std::to_string(rng() % 100) + ".50", 8, true);
        rec += rng() % 2 ? 'T' : 'F';
        std::uint32_t block = 0;
        if (rng() % 3 == 0) {
            std::string text = "Popis polo\x9Eky " + std::to_string(i) + ": " + std::string(20 + rng() % 100, 'x');
            std::string m;
            for (int k = 3; k >= 0; --k) m += static_cast<char>((1u >> (8 * k)) & 0xFF);
            for (int k = 3; k >= 0; --k) m += static_cast<char>((text.size() >> (8 * k)) & 0xFF);
            m += text;
            m.resize((m.size() + 63) / 64 * 64, '\0');
            std::fwrite(m.data(), 1, m.size(), memo);
            block = nextBlock;
            nextBlock += static_cast<std::uint32_t>(m.size() / 64);
        }
        PutLe(rec, block, 4);
        rec += static_cast<char>(rng() % 8 == 0 ? 0x01 : 0x00);
        std::fwrite(rec.data(), 1, rec.size(), f);
    }
    std::fclose(f);
    std::fclose(memo);
}

// The shape of a customer register as users keep it: 881,055 records of 227 bytes (200 MB),
// six character fields of which about half the values hold Czech letters in code page 852,
// four numerics, a date, a logical, and 2 % of the records deleted.
void WriteCzechRegister(const std::string& path, std::uint32_t records, std::uint32_t seed) {
    const std::vector<Field> fields = {{"PRIJMENI", 'C', 30, 0}, {"ADRESA", 'C', 40, 0},   {"OBEC", 'C', 25, 0},
                                       {"PSC", 'C', 6, 0},       {"POZNAMKA", 'C', 80, 0}, {"TRIDA", 'C', 1, 0},
                                       {"CISLO", 'N', 10, 0},    {"ZUSTATEK", 'N', 12, 2}, {"POCET", 'N', 5, 0},
                                       {"SAZBA", 'N', 8, 3},     {"NAROZEN", 'D', 8, 0},   {"PLATCE", 'L', 1, 0}};
    int recordLength = 0;
    const std::string out = Header(0x03, fields, records, recordLength);
    std::mt19937 rng(seed);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    // Half the character values are Czech (code page 852), half plain ASCII.
    const auto text = [&](const char* ascii) { return rng() % 2 ? std::string(kCp852[rng() % 4]) : std::string(ascii); };
    std::string rec;
    char buf[64];
    for (std::uint32_t i = 0; i < records; ++i) {
        rec.clear();
        rec += rng() % 50 == 0 ? '*' : ' ';
        rec += Pad(text(kAscii[rng() % 8]), 30);
        rec += Pad(text("Nadrazni") + " " + std::to_string(1 + rng() % 2000), 40);
        rec += Pad(text("Brno"), 25);
        rec += Pad(rng() % 2 ? std::to_string(10000 + rng() % 90000) : "\xA7" + std::to_string(1000 + rng() % 9000), 6);
        rec += Pad(text("bez poznamky") + " " + text("a dalsi text k zaznamu") + " " + std::to_string(rng()), 80);
        rec += rng() % 2 ? "\xAC" : "A";
        rec += Pad(std::to_string(rng() % 1000000000), 10, true);
        std::snprintf(buf, sizeof buf, "%.2f", (static_cast<int>(rng() % 200000000) - 100000000) / 100.0);
        rec += Pad(buf, 12, true);
        rec += Pad(std::to_string(rng() % 100000), 5, true);
        std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(rng() % 10000000) / 1000.0);
        rec += Pad(buf, 8, true);
        std::snprintf(buf, sizeof buf, "%04u%02u%02u", static_cast<unsigned>(1930 + rng() % 90),
                      static_cast<unsigned>(1 + rng() % 12), static_cast<unsigned>(1 + rng() % 28));
        rec += buf;
        rec += rng() % 2 ? 'T' : 'F';
        std::fwrite(rec.data(), 1, rec.size(), f);
    }
    std::fputc(0x1A, f);
    std::fclose(f);
}

// A FoxPro 9 table whose .fpt has a block length of 1 and whose memos are 1 MB long each:
// a reader that reads block by block would make a million reads per memo.
void WriteFoxProLongMemos(const std::string& path, std::uint32_t records, std::uint32_t memoBytes) {
    const std::vector<Field> fields = {{"KOD", 'C', 8, 0}, {"TEXT", 'M', 4, 0}};
    int recordLength = 0;
    const std::string out = Header(0x30, fields, records, recordLength);
    FILE* f = std::fopen(path.c_str(), "wb");
    FILE* memo = std::fopen((path.substr(0, path.size() - 4) + ".fpt").c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::string mh(512, '\0');
    mh[7] = 1;  // block length 1
    std::fwrite(mh.data(), 1, mh.size(), memo);
    std::uint64_t nextBlock = 512;
    std::string rec;
    for (std::uint32_t i = 0; i < records; ++i) {
        rec = " " + Pad("K" + std::to_string(i), 8);
        PutLe(rec, nextBlock, 4);
        std::fwrite(rec.data(), 1, rec.size(), f);
        std::string m = std::string("\0\0\0\1", 4);
        for (int k = 3; k >= 0; --k) m += static_cast<char>((memoBytes >> (8 * k)) & 0xFF);
        m += std::string(memoBytes, static_cast<char>('a' + i % 26));
        std::fwrite(m.data(), 1, m.size(), memo);
        nextBlock += m.size();
    }
    std::fclose(f);
    std::fclose(memo);
}

// A dBase III table of one record whose memo holds 256 MiB of Czech text in code page 852:
// memory must stay bounded by the pieces a memo is read in, not grow with the memo.
void WriteLargeMemo(const std::string& path, std::uint64_t memoBytes) {
    const std::vector<Field> fields = {{"KOD", 'C', 8, 0}, {"TEXT", 'M', 10, 0}};
    int recordLength = 0;
    std::string out = Header(0x83, fields, 1, recordLength);
    out += " " + Pad("K1", 8) + Pad("1", 10);
    out += '\x1A';
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    FILE* memo = std::fopen((path.substr(0, path.size() - 4) + ".dbt").c_str(), "wb");
    std::string header(512, '\0');
    header[0] = 2;
    std::fwrite(header.data(), 1, header.size(), memo);
    // "Žluťoučký kůň pěl ďábelské ódy" in code page 852, and a line end.
    const std::string line =
        "\xA6lu\x9Cou\x9Fk\xEC k\x85\xE5 p\xD8l \xD4\xA0"
        "belsk\x82 \xA2"
        "dy\r\n";
    std::string block;
    while (block.size() < (1u << 20)) block += line;
    for (std::uint64_t written = 0; written < memoBytes; written += block.size())
        std::fwrite(block.data(), 1, static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), memoBytes - written)), memo);
    std::fwrite("\x1A\x1A", 1, 2, memo);
    std::fclose(memo);
}

// A FoxPro table of one record whose general field (G) holds 256 MiB of binary data: blobs
// must be streamed like text memos, in every document.
void WriteLargeBlob(const std::string& path, std::uint64_t blobBytes) {
    const std::vector<Field> fields = {{"KOD", 'C', 8, 0}, {"OBR", 'G', 4, 0}};
    int recordLength = 0;
    std::string out = Header(0x30, fields, 1, recordLength);
    out += " " + Pad("K1", 8) + std::string("\x08\0\0\0", 4);  // block 8, just behind the memo header
    out += '\x1A';
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    FILE* memo = std::fopen((path.substr(0, path.size() - 4) + ".fpt").c_str(), "wb");
    std::string header(512, '\0');
    header[7] = 64;  // block length, big-endian at offset 6
    std::fwrite(header.data(), 1, header.size(), memo);
    // Block header: type 0 (picture), then the length, both big-endian.
    std::string head(8, '\0');
    for (int k = 0; k < 4; ++k) head[static_cast<std::size_t>(4 + k)] = static_cast<char>((blobBytes >> (8 * (3 - k))) & 0xFF);
    std::fwrite(head.data(), 1, head.size(), memo);
    std::string block(1u << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 % 256);
    for (std::uint64_t written = 0; written < blobBytes; written += block.size())
        std::fwrite(block.data(), 1, static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), blobBytes - written)), memo);
    std::fclose(memo);
}

// ---- measuring -------------------------------------------------------------------------

struct Measure {
    double seconds;
    long maxRssKb;
    double userSeconds = 0;
};

Measure RunChild(const std::vector<std::string>& argv) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "command failed: %s\n", argv[0].c_str());
    return {seconds, usage.ru_maxrss,
            static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6};
}

Measure Median(const std::vector<std::string>& argv, int runs) {
    std::vector<Measure> m;
    for (int i = 0; i < runs; ++i) m.push_back(RunChild(argv));
    std::sort(m.begin(), m.end(), [](const Measure& a, const Measure& b) { return a.seconds < b.seconds; });
    Measure result = m[m.size() / 2];
    for (const auto& x : m) result.maxRssKb = std::max(result.maxRssKb, x.maxRssKb);
    return result;
}

// Writes `bytes` bytes of output in 64 KiB writes, as the floors do.
void WriteOutput(std::uint64_t bytes) {
    const std::string out = "/tmp/korvane-floor-" + std::to_string(getpid());
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> block(kBlock, 'x');
    while (bytes > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kBlock));
        if (write(fd, block.data(), n) < 0) break;
        bytes -= n;
    }
    close(fd);
    unlink(out.c_str());
}

int FloorRecords(const char* table, std::uint64_t outBytes) {
    const int fd = open(table, O_RDONLY);
    std::uint8_t header[32];
    if (pread(fd, header, 32, 0) != 32) return 1;
    const int headerLength = header[8] | (header[9] << 8);
    const int recordLength = header[10] | (header[11] << 8);
    struct stat st {};
    fstat(fd, &st);
    std::vector<char> record(static_cast<std::size_t>(recordLength));
    std::uint64_t sum = 0;
    for (off_t at = headerLength; at + recordLength <= st.st_size; at += recordLength) {
        if (pread(fd, record.data(), record.size(), at) != recordLength) break;
        sum += static_cast<unsigned char>(record[0]);
    }
    close(fd);
    WriteOutput(outBytes);
    return sum == 1 ? 1 : 0;
}

int FloorBlocks(const char* table, std::uint64_t outBytes) {
    const int fd = open(table, O_RDONLY);
    std::vector<char> block(kBlock);
    std::uint64_t sum = 0;
    ssize_t n;
    while ((n = read(fd, block.data(), block.size())) > 0) sum += static_cast<unsigned char>(block[0]);
    close(fd);
    WriteOutput(outBytes);
    return sum == 1 ? 1 : 0;
}

std::uint64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto s = fs::file_size(path, ec);
    return ec ? 0 : s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "floor-records") return FloorRecords(argv[2], std::stoull(argv[3]));
    if (argc == 4 && std::string(argv[1]) == "floor-blocks") return FloorBlocks(argv[2], std::stoull(argv[3]));
    std::string dbf2xml = (fs::path(argv[0]).parent_path() / "../cli/dbf2xml").string();
    std::string dir = "bench-data";
    int runs = 3;
    bool smallOnly = false;
    std::string only;  // measure only the tables whose name holds this
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dbf2xml" && i + 1 < argc)
            dbf2xml = argv[++i];
        else if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a == "--runs" && i + 1 < argc)
            runs = std::stoi(argv[++i]);
        else if (a == "--small-only")
            smallOnly = true;
        else if (a == "--table" && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--dbf2xml PATH] [--dir DIR] [--runs N] [--small-only] [--table NAME]\n", argv[0]);
            return 2;
        }
    }
    fs::create_directories(dir);
    struct Table {
        std::string name;
        std::string path;
    };
    std::vector<Table> tables = {{"dBase III 1 MB", dir + "/small.dbf"}};
    if (!FileSize(tables[0].path)) WriteDbase(tables[0].path, 1 << 20, 7);
    if (!smallOnly) {
        tables.push_back({"dBase III 200 MB", dir + "/dbase.dbf"});
        tables.push_back({"FoxPro 100 MB + .fpt", dir + "/foxpro.dbf"});
        if (!FileSize(tables[1].path)) WriteDbase(tables[1].path, 200ull << 20, 42);
        if (!FileSize(tables[2].path)) WriteFoxPro(tables[2].path, 100ull << 20, 43);
        tables.push_back({"FoxPro, 16 memos of 1 MB in 1-byte blocks", dir + "/longmemo.dbf"});
        if (!FileSize(tables[3].path)) WriteFoxProLongMemos(tables[3].path, 16, 1 << 20);
        tables.push_back({"Czech register 200 MB", dir + "/register.dbf"});
        if (!FileSize(tables[4].path)) WriteCzechRegister(tables[4].path, 881055, 44);
        tables.push_back({"one memo of 256 MiB", dir + "/bigmemo.dbf"});
        if (!FileSize(tables[5].path)) WriteLargeMemo(tables[5].path, 256ull << 20);
        tables.push_back({"one binary memo of 256 MiB", dir + "/bigblob.dbf"});
        if (!FileSize(tables[6].path)) WriteLargeBlob(tables[6].path, 256ull << 20);
    }
    // A whole archive: 64 tables of about 3 MB in a two-level tree, converted into an output
    // folder one table after the other and two at a time, the runs alternating.
    if (!smallOnly && std::string("archive").find(only) != std::string::npos) {
        const std::string archive = dir + "/archive";
        for (int folder = 0; folder < 8; ++folder)
            for (int table = 0; table < 8; ++table) {
                const std::string path = archive + "/" + std::to_string(2010 + folder) + "/t" + std::to_string(table) + ".dbf";
                if (FileSize(path)) continue;
                fs::create_directories(fs::path(path).parent_path());
                WriteDbase(path, 3ull << 20, static_cast<std::uint32_t>(100 + folder * 8 + table));
            }
        std::vector<double> one, two;
        for (int run = 0; run < std::max(runs, 3); ++run) {
            for (const char* jobs : {"1", "2"}) {
                fs::remove_all(dir + "/archive-out");
                const Measure m = RunChild({dbf2xml, "-q", "-r", "-j", jobs, "--output-dir", dir + "/archive-out", archive});
                (std::string(jobs) == "1" ? one : two).push_back(m.seconds);
            }
        }
        std::sort(one.begin(), one.end());
        std::sort(two.begin(), two.end());
        const double a = one[one.size() / 2], b = two[two.size() / 2];
        std::printf("archive of 64 tables (192 MB): -j 1 %.2f s, -j 2 %.2f s, ratio %.2f\n\n", a, b, b / a);
        std::fflush(stdout);
    }
    // Many small tables in one folder: the time per table at 500 and at 5,000 tables (a run
    // must grow with the number of tables, not with its square).
    if (!smallOnly && std::string("many").find(only) != std::string::npos) {
        double perTable[2] = {0, 0};
        const int counts[2] = {500, 5000};
        for (int k = 0; k < 2; ++k) {
            const std::string folder = dir + "/many" + std::to_string(counts[k]);
            for (int t = 0; t < counts[k]; ++t) {
                const std::string path = folder + "/t" + std::to_string(t) + ".dbf";
                if (FileSize(path)) continue;
                fs::create_directories(folder);
                WriteDbase(path, 2048, static_cast<std::uint32_t>(t));
            }
            std::vector<double> seconds;
            for (int run = 0; run < std::max(runs, 3); ++run) {
                fs::remove_all(dir + "/many-out");
                seconds.push_back(RunChild({dbf2xml, "-q", "--output-dir", dir + "/many-out", folder}).seconds);
            }
            std::sort(seconds.begin(), seconds.end());
            perTable[k] = seconds[seconds.size() / 2] / counts[k];
        }
        std::printf("many small tables in one folder: %.2f ms per table at 500, %.2f ms at 5000, ratio %.2f\n\n",
                    perTable[0] * 1000, perTable[1] * 1000, perTable[1] / perTable[0]);
        std::fflush(stdout);
    }
    // The typed document against the plain one: user CPU, the runs alternating, medians.
    if (!smallOnly && std::string("typed").find(only) != std::string::npos) {
        std::printf("| table | plain user s | typed user s | ratio |\n|---|---|---|---|\n");
        for (std::size_t k = 1; k < tables.size(); ++k) {
            if (tables[k].name.find("200 MB") == std::string::npos && tables[k].name.find("100 MB") == std::string::npos)
                continue;
            std::vector<double> plain, typed;
            for (int run = 0; run < std::max(runs, 3); ++run) {
                plain.push_back(RunChild({dbf2xml, "-q", "-o", dir + "/out.xml", tables[k].path}).userSeconds);
                typed.push_back(RunChild({dbf2xml, "-q", "--typed", "-o", dir + "/out.xml", tables[k].path}).userSeconds);
            }
            std::sort(plain.begin(), plain.end());
            std::sort(typed.begin(), typed.end());
            const double a = plain[plain.size() / 2], b = typed[typed.size() / 2];
            std::printf("| %s | %.2f | %.2f | %.2f |\n", tables[k].name.c_str(), a, b, b / a);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    const std::string self = fs::absolute(argv[0]).string();
    std::printf("| table | mode | table MB/s | records/s | document MB | peak RSS MB | time s | floor s | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Table& t : tables) {
        if (t.name.find(only) == std::string::npos) continue;
        const std::uint64_t tableBytes = FileSize(t.path);
        const int fd = open(t.path.c_str(), O_RDONLY);
        std::uint8_t header[32] = {};
        if (pread(fd, header, 32, 0) != 32) return 1;
        close(fd);
        const std::uint32_t records =
            header[4] | (header[5] << 8) | (header[6] << 16) | (static_cast<std::uint32_t>(header[7]) << 24);
        const std::string xml = dir + "/out.xml";
        // --fix-header reads one record at a time, as the window does; the default mode and
        // --exclusive read 64 KiB blocks. Each is set against the floor that reads alike.
        // The memo table's peak memory is measured with the typed document too.
        std::vector<std::string> modes = {"default", "fix-header", "exclusive"};
        if (t.name.find("memo of") != std::string::npos) modes.push_back("typed");
        if (t.name.find("binary memo") != std::string::npos) modes.push_back("code-page");
        for (const std::string& mode : modes) {
            std::vector<std::string> cmd = {dbf2xml, "-q", "-o", xml, t.path};
            if (mode == "code-page")
                cmd.insert(cmd.begin() + 1, {"--code-page", "1250"});
            else if (mode != "default")
                cmd.insert(cmd.begin() + 1, "--" + mode);
            const Measure m = Median(cmd, runs);
            const std::uint64_t docBytes = FileSize(xml);
            const Measure floor =
                Median({self, mode == "fix-header" ? "floor-records" : "floor-blocks", t.path, std::to_string(docBytes)}, runs);
            std::printf("| %s | %s | %.1f | %.0f | %.1f | %.1f | %.2f | %.2f | %.2f |\n", t.name.c_str(), mode.c_str(),
                        static_cast<double>(tableBytes) / 1048576.0 / m.seconds, records / m.seconds,
                        static_cast<double>(docBytes) / 1048576.0, static_cast<double>(m.maxRssKb) / 1024.0, m.seconds,
                        floor.seconds, m.seconds / floor.seconds);
            std::fflush(stdout);
        }
    }
    return 0;
}
