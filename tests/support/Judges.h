#pragma once

// The independent judges of a PDF file, qpdf and poppler, run by the paths
// that CMake found for them. A judge that did not run, or that answered
// nothing, fails the test that asked: two empty answers never agree.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace judges {

struct Answer {
  std::string output;  // what the command wrote to its standard output
  int status = -1;     // its exit status; -1 when it did not end by itself
};

inline std::string Quoted(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline Answer Run(const std::string& command) {
  Answer answer;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return answer;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) answer.output.append(buffer, got);
  const int status = ::pclose(pipe);
  answer.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return answer;
}

// qpdf with these arguments (its messages included): exit 0, or 3 when it
// only warned.
inline Answer Qpdf(const std::string& arguments) {
  Answer answer = Run(std::string(TESSALY_QPDF) + " " + arguments + " 2>&1");
  EXPECT_TRUE(answer.status == 0 || answer.status == 3)
      << "qpdf " << arguments << ": exit " << answer.status << "\n" << answer.output;
  return answer;
}

// What qpdf --check finds, with its status: 0 sound, 2 errors, 3 warnings.
inline Answer QpdfCheck(const std::filesystem::path& pdf) {
  Answer answer = Run(std::string(TESSALY_QPDF) + " --check " + Quoted(pdf) + " 2>&1");
  EXPECT_TRUE(answer.status == 0 || answer.status == 2 || answer.status == 3)
      << "qpdf --check " << pdf << ": exit " << answer.status << "\n" << answer.output;
  EXPECT_FALSE(answer.output.empty()) << "qpdf --check said nothing of " << pdf;
  return answer;
}

// pdfinfo's whole answer; poppler must open the file.
inline std::string Info(const std::filesystem::path& pdf) {
  const Answer answer = Run(std::string(TESSALY_PDFINFO) + " " + Quoted(pdf) + " 2>&1");
  EXPECT_EQ(answer.status, 0) << "pdfinfo " << pdf << "\n" << answer.output;
  EXPECT_FALSE(answer.output.empty()) << "pdfinfo said nothing of " << pdf;
  return answer.output;
}

// pdffonts's whole answer, its complaints included: its table's heading,
// or why it has none (a file without pages).
inline std::string Fonts(const std::filesystem::path& pdf) {
  const Answer answer = Run(std::string(TESSALY_PDFFONTS) + " " + Quoted(pdf) + " 2>&1");
  EXPECT_FALSE(answer.output.empty()) << "pdffonts said nothing of " << pdf;
  return answer.output;
}

// The page count that pdfinfo reads, or -1 (a failure) without one.
inline int Pages(const std::filesystem::path& pdf) {
  const Answer answer = Run(std::string(TESSALY_PDFINFO) + " " + Quoted(pdf) + " 2>&1");
  // Poppler opens no file without pages, and says so.
  if (answer.status == 99 && answer.output.find("Invalid page count 0\n") != std::string::npos) return 0;
  EXPECT_EQ(answer.status, 0) << "pdfinfo " << pdf << "\n" << answer.output;
  const size_t line = answer.output.find("\nPages:");
  const int pages = line == std::string::npos ? -1 : std::atoi(answer.output.c_str() + line + 7);
  EXPECT_GE(pages, 0) << "no page count from pdfinfo for " << pdf << "\n" << answer.output;
  return pages;
}

// Each page's text as pdftotext reads it, whitespace runs made one space.
inline std::vector<std::string> PageTexts(const std::filesystem::path& pdf) {
  const Answer answer = Run(std::string(TESSALY_PDFTOTEXT) + " -q -enc UTF-8 " + Quoted(pdf) + " - 2>/dev/null");
  EXPECT_EQ(answer.status, 0) << "pdftotext " << pdf;
  std::vector<std::string> pages(1);
  for (char c : answer.output) {
    std::string& text = pages.back();
    if (c == '\f') {  // ends every page
      if (!text.empty() && text.back() == ' ') text.pop_back();
      pages.emplace_back();
    } else if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
      text += c;
    } else if (!text.empty() && text.back() != ' ') {
      text += ' ';
    }
  }
  pages.pop_back();
  return pages;
}

// The whole text, page after page; a file without any text fails.
inline std::string Text(const std::filesystem::path& pdf) {
  std::string text;
  for (const std::string& page : PageTexts(pdf)) {
    if (!page.empty()) text += (text.empty() ? "" : " ") + page;
  }
  EXPECT_FALSE(text.empty()) << "pdftotext found no text in " << pdf;
  return text;
}

// Every page drawn by pdftoppm at 18 dpi in grey, one image after another.
inline std::string Rendering(const std::filesystem::path& pdf) {
  const Answer answer = Run(std::string(TESSALY_PDFTOPPM) + " -r 18 -gray " + Quoted(pdf) + " 2>/dev/null");
  EXPECT_EQ(answer.status, 0) << "pdftoppm " << pdf;
  EXPECT_EQ(answer.output.compare(0, 2, "P5"), 0) << "pdftoppm drew nothing of " << pdf;
  return answer.output;
}

}  // namespace judges
