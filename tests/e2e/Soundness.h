#pragma once

// What every file the engine writes must be, whatever the damage to its
// source: a structure that qpdf reads without reconstructing anything,
// streams with their true lengths, and as many pages for poppler as the
// page-tree root counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "E2eSupport.h"

namespace e2e {

// The /Count of the page-tree root that the catalog names, or -1.
inline int RootCount(const std::string& pdf) {
  std::smatch match;
  const auto objectText = [&](const std::string& number) {
    const size_t start = pdf.find("\r\n" + number + " 0 obj\r\n");
    return start == std::string::npos ? std::string() : pdf.substr(start, pdf.find("endobj", start) - start);
  };
  if (!std::regex_search(pdf, match, std::regex("trailer\r\n[^]*/Root\t(\\d+) 0 R"))) return -1;
  const std::string catalog = objectText(match[1]);
  if (!std::regex_search(catalog, match, std::regex("/Pages\t(\\d+) 0 R"))) return -1;
  const std::string root = objectText(match[1]);
  if (!std::regex_search(root, match, std::regex("/Count\t(\\d+)"))) return -1;
  return std::stoi(match[1]);
}

// Stream contents are carried over from the source as they were; the
// structure around them must be sound.
inline void ExpectSoundStructure(const std::filesystem::path& output) {
  const std::string destination = output.string();
  std::string check = judges::QpdfCheck(output).output;
  // The file's own name must not count as a finding.
  for (size_t at; (at = check.find(destination)) != std::string::npos;) check.replace(at, destination.size(), "FILE");
  const std::regex structural("(WARNING|ERROR).*(xref|trailer|reconstruct|damaged|expected n n obj|unexpected EOF)",
                              std::regex::icase);
  EXPECT_FALSE(std::regex_search(check, structural)) << check;
  // Every written stream carries the length of the data it is written with.
  const std::regex streamLength("expected endstream|stream length|lacks /Length", std::regex::icase);
  EXPECT_FALSE(std::regex_search(check, streamLength)) << check;
  // Poppler reads the cross-reference table as written, without rebuilding
  // it: every object it looks up (each font too) is listed.
  const std::string fonts = judges::Fonts(output);
  EXPECT_EQ(fonts.find("reconstruct"), std::string::npos) << fonts;

  const int pages = RootCount(ReadAll(output));
  ASSERT_GE(pages, 0) << "no page-tree root found";
  if (pages >= 1) {
    EXPECT_EQ(judges::Pages(output), pages);
  }
}

}  // namespace e2e
