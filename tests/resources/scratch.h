#pragma once
// A fresh scratch folder per test under the build tree, and small helpers to fill it.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

inline std::string scratchDir()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/resources/" + info->test_suite_name() + "." + info->name();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void writeString(const std::string& path, const std::string& s)
{
    writeBytes(path, std::vector<uint8_t>(s.begin(), s.end()));
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// UTF-16 little-endian bytes of s, with a byte-order mark in front when bom is set.
inline std::vector<uint8_t> utf16Bytes(const std::u16string& s, bool bom = true)
{
    std::vector<uint8_t> out;
    auto put = [&out](char16_t c) {
        out.push_back(uint8_t(c & 0xFF));
        out.push_back(uint8_t(c >> 8));
    };
    if (bom) put(0xFEFF);
    for (char16_t c : s) put(c);
    return out;
}
