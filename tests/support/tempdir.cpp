#include "tests/support/tempdir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    static std::atomic<int> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p = fs::temp_directory_path() /
                 ("quorvex-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    fs::create_directories(p);
    path_ = p.string();
#ifdef _WIN32
    path_ += '\\';
#else
    path_ += '/';
#endif
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(fs::path(path_), ec);
}

std::string read_file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::path(path), ec);
}
