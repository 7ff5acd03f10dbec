#pragma once

#include <cstdio>
#include <string>

// Every text tessaly-cli writes itself. The engine's own texts are used
// where one fits (a destination that cannot be created reads like the
// engine's own failure to create it, from the engine's table), the batch
// words are the desktop program's.
namespace texts {

// Results of one file, as the desktop program words them.
inline constexpr const char* kRepaired = "文件“%s”已顺利修复!";
inline constexpr const char* kOpenRepaired = "现在你可以打开修复后的文件“%s”了。";
inline constexpr const char* kRunRepaired = "现在你可以运行修复后的自解压压缩文档“%s”了。";
inline constexpr const char* kRepairFailed = "修复文件“%s”失败!";
inline constexpr const char* kInterrupted = "用户已中断修复进程";
inline constexpr const char* kNothingRecoverable = "不能修复。";
inline constexpr const char* kRecoverable = "可以修复。";

// Batch statuses and summary.
inline constexpr const char* kStatusDone = "完成";
inline constexpr const char* kStatusFailed = "失败";
inline constexpr const char* kStatusInterrupted = "中断";
inline constexpr const char* kStatusNotRepaired = "未修复";
inline constexpr const char* kSummary = "已修复 %d 个文件";

// The program's own messages.
inline constexpr const char* kDestinationExists = "目标文件“%s”已经存在，未覆盖（用 -f 覆盖它）。";
inline constexpr const char* kNotRegularDestination = "目标文件“%s”不是普通文件，不能替换（-f 也不能）。";
inline constexpr const char* kTemporaryReplaced = "修复时目标文件夹中的临时文件被替换，目标文件“%s”未写入。";
inline constexpr const char* kOutputFailed = "tessaly-cli: 不能写入标准输出或标准错误\n";
inline constexpr const char* kWorkerCrashed = "修复进程异常结束（信号 %s）。";
inline constexpr const char* kNoScratchFile = "不能创建检查用的临时文件：%s";
inline constexpr const char* kNoObjectFound = "来源文件中没有找到完整的 PDF 对象。";
inline constexpr const char* kWorkerNotStarted = "不能启动修复进程：%s";
inline constexpr const char* kUsageLine = "用法: tessaly-cli [选项] 来源文件...\n";
inline constexpr const char* kTryHelp = "请用“tessaly-cli --help”查看说明。\n";
inline constexpr const char* kUnknownOption = "tessaly-cli: 未知选项“%s”\n";
inline constexpr const char* kMissingArgument = "tessaly-cli: 选项“%s”需要一个参数\n";
inline constexpr const char* kUnexpectedArgument = "tessaly-cli: 选项“%s”不带参数\n";
inline constexpr const char* kEmptyArgument = "tessaly-cli: 选项“%s”的参数不能为空\n";
inline constexpr const char* kBadVersion = "tessaly-cli: 无效的 PDF 版本“%s”（应为 1.0 到 1.6）\n";
inline constexpr const char* kBadJobs = "tessaly-cli: 无效的任务数“%s”（应为 1 到 64）\n";
inline constexpr const char* kNoSource = "tessaly-cli: 没有给出来源文件\n";
inline constexpr const char* kOutputNeedsOneSource = "tessaly-cli: -o 只能用于一个来源文件；多个文件请用 --output-dir\n";
inline constexpr const char* kOutputAndFolder = "tessaly-cli: -o 和 --output-dir 不能同时使用\n";
inline constexpr const char* kCheckWritesNothing = "tessaly-cli: --check 不写任何文件，不能与 -o 或 --output-dir 同时使用\n";
inline constexpr const char* kPasswordTwice = "tessaly-cli: --password 和 --password-file 不能同时使用\n";

// Reading the password; every one of these ends the run before any repair.
inline constexpr const char* kPasswordFileMissing = "tessaly-cli: 密码文件“%s”不存在\n";
inline constexpr const char* kPasswordFileIsFolder = "tessaly-cli: 密码文件“%s”是一个文件夹\n";
inline constexpr const char* kPasswordFileNotRegular =
    "tessaly-cli: 密码文件“%s”不是普通文件（管道和设备不能用作密码文件；从标准输入读取请用“-”）\n";
inline constexpr const char* kPasswordFileEmpty = "tessaly-cli: 密码文件“%s”的第一行是空的，其中没有密码\n";
inline constexpr const char* kPasswordFileUnreadable = "tessaly-cli: 不能读取密码文件“%s”：%s\n";
inline constexpr const char* kPasswordTooLong = "tessaly-cli: 密码超过 127 个字节，不能使用\n";
inline constexpr const char* kStandardInput = "标准输入";
inline constexpr const char* kPasswordPrompt = "密码: ";

inline constexpr const char* kHelp =
    "修复损坏的 PDF 文件：保留来源文件中所有完整的对象，重建目录和页面树，\n"
    "写出一个新的 PDF 文件。来源文件只会被读取。\n"
    "\n"
    "一个来源文件修复为 -o 给出的目标文件，默认是来源文件名加上“_fixed”\n"
    "（report.pdf 修复为 report_fixed.pdf）。多个来源文件各自修复为默认的\n"
    "目标文件名，并为每个文件显示修复状态。\n"
    "\n"
    "默认进行深度修复；--classic 进行普通修复。两个都给出时后面的一个有效。\n"
    "加密的来源文件用空的用户密码打不开时，用 --password-file 或 --password\n"
    "给出它的用户密码或所有者密码。\n"
    "\n"
    "选项:\n"
    "  -o, --output 目标文件     一个来源文件时的目标文件\n"
    "  -d, --output-dir 文件夹   把目标文件写到这个文件夹中\n"
    "      --pdf-version 版本    来源文件没有可读的文件头时输出的 PDF 版本，\n"
    "                            1.0 到 1.6，默认为 1.4\n"
    "      --thorough            深度修复（默认）：跳过损坏的内容并重新同步，\n"
    "                            能找回更多对象和页面，但需要更长时间\n"
    "      --classic             普通修复：比深度修复快，但找回的内容可能较少\n"
    "      --password-file 文件  加密的来源文件的密码：文件的第一行（不含行尾）；\n"
    "                            文件为“-”时从标准输入读取\n"
    "      --password 密码       加密的来源文件的密码。注意：其他用户能在进程列表\n"
    "                            中看到它，请尽量改用 --password-file\n"
    "  -f, --force               覆盖已经存在的目标文件（只替换普通文件）\n"
    "  -j, --jobs 数目           同时修复的文件数，默认为 1\n"
    "  -q, --quiet               只显示错误\n"
    "      --json                每个来源文件在标准输出上写一行 JSON 报告\n"
    "                            （JSON Lines），其他文字写到标准错误\n"
    "      --check               只检查：显示报告，不修复，不写任何文件\n"
    "  -h, --help                显示本说明\n"
    "  -V, --version             显示版本\n"
    "\n"
    "退出状态: 0 所有文件都已修复；1 有文件没有修复；2 命令行错误或\n"
    "密码文件不能使用；"
    "130 修复被中断（Ctrl-C、SIGTERM、SIGHUP）。\n"
    "--check 的退出状态: 0 来源文件都没有损坏；4 有文件损坏但能恢复；\n"
    "1 有文件中没有可以恢复的内容。\n";

// A text of the table with its one "%s" filled in.
inline std::string Formatted(const char* pattern, const std::string& value) {
  const int size = std::snprintf(nullptr, 0, pattern, value.c_str());
  std::string text(static_cast<size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, value.c_str());
  return text;
}

}  // namespace texts
