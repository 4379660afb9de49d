#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "core/CalibrationImage.h"

namespace velmora::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A fresh folder per test with a default image, and the file helpers the file tests share.
class FileTestFolder : public testing::Test {
 protected:
  void SetUp() override {
    // Parameterised names carry a "/", which would leave the parent folder behind.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    m_dir = fs::temp_directory_path() /
            ("velmora-file-" + std::to_string(std::random_device{}()) + "-" + name);
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_image.LoadDefaults();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }
  static Bytes Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  Bytes ImageBytes() const {
    const auto b = m_image.ToBytes();
    return Bytes(b.begin(), b.end());
  }
  static std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::size_t EntriesInDir(const fs::path& dir) const { return Entries(dir).size(); }

  fs::path m_dir;
  CalibrationImage m_image;
};

}  // namespace velmora::test
