#include "GuiStrings.h"

namespace {

struct GuiStringEntry {
  int id;
  const char* text;  // UTF-8
};

// The elapsed-time pattern is a date-time pattern: text in double quotes is
// literal, h n s z are hours, minutes, seconds and milliseconds.
constexpr GuiStringEntry kGuiStrings[] = {
    {idsPageRepair, "修复(&R)"},
    {idsPageBatch, "批量修复(&B)"},
    {idsPageOptions, "选项(&O)"},
    {idsPageAdvanced, "高级选项"},
    {idsPageAbout, "关于(&A)"},
    {idsMoreButton, "..."},
    {idsChooseTempDir, "选择临时文件目录:"},
    {idsLogCaption, "修复进度日志:"},
    {idsIncludeSysInfo, "包含系统信息(&Y)"},
    {idsIncludeSysInfoHint, "在日志文件中包含系统信息"},
    {idsStartRepair, "开始修复(&S)"},
    {idsStopRepair, "停止修复(&S)"},
    {idsSaveLog, "保存日志(&L)"},
    {idsHelp, "帮助(&H)"},
    {idsVersionCaption, "版本:"},
    {idsHomepageCaption, "主页:"},
    {idsEmailCaption, "支持邮件:"},
    {idsOpenFixed, "完成后打开修复的文件(&O)"},
    {idsPdfVersion, "输出的 PDF 文件版本(&V):"},
    {idsPdfVersionItems, "1.0|1.1|1.2|1.3|1.4|1.5|1.6"},
    {idsTempDir, "临时文件目录(&T):"},
    {idsBufSize, "内部处理缓存大小(&B):"},
    {idsBytes, "字节"},
    {idsCaptionInformation, "信息"},
    {idsCaptionConfirm, "确认"},
    {idsCaptionError, "错误"},
    {idsButtonYes, "是(&Y)"},
    {idsButtonNo, "否(&N)"},
    {idsButtonOk, "确定"},
    {idsRepairStarting, "开始修复进程..."},
    {idsOverwriteQuestion, "名为“%s”的文件已经存在，覆盖吗？"},
    {idsRepairAborted, "修复进程已中断。"},
    {idsSourceLine, "要进行修复的文件: “%s”；文件大小 = %.0n 字节"},
    {idsDestinationLine, "输入修复后的文件为: “%s”"},
    {idsRepairFinished, "修复进程完成。"},
    {idsRepairSucceeded, "文件“%s”已顺利修复!"},
    {idsRunArchive, "现在你可以运行修复后的自解压压缩文档“%s”了。"},
    {idsOpenRepaired, "现在你可以打开修复后的文件“%s”了。"},
    {idsRepairFailed, "修复文件“%s”失败!"},
    {idsRepairInterrupted, "用户已中断修复进程"},
    {idsCannotOpenResult, "不能打开文件“%s”!"},
    {idsBannerTagline, "损坏 PDF 文件修复工具"},
    {idsElapsedTimePattern, "\"使用时间:\"h\"小时\"n\"分\"s\"秒\"z\"毫秒。\""},
    {idsAppTitle, "Tessaly"},
    {idsSelectSource, "选择要修复的 PDF 文件(&P):"},
    {idsSelectDestination, "输出修复后的文件为(&O):"},
    {idsOpenFilter, "Adobe PDF 文件 (*.pdf)|*.pdf|所有文件 (*.*)|*.*"},
    {idsSaveFilter, "Adobe PDF 文件 (*.pdf)|*.pdf|所有文件 (*.*)|*.*"},
    {idsHomepage, "https://tessaly.example/"},
    {idsEmail, "support@tessaly.example"},
    {idsNotice, "版权所有 (C) 2026 Tessaly 开发组"},
    {idsSeparator, "--------------------------------------------------------"},
    {idsCannotOpenFile, "不能打开文件 %s"},
};

}  // namespace

QString GuiString(int id) {
  for (const GuiStringEntry& entry : kGuiStrings) {
    if (entry.id == id) return QString::fromUtf8(entry.text);
  }
  return {};
}
