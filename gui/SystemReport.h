#pragma once

#include <QStringList>

// The system information report at the head of a saved log, section by
// section, with Linux's nearest equivalents of each query. Each builder
// appends its lines; a query that fails is written into the report and never
// stops it.

// " 版本信息:" with the file and the product version of this build.
void AddVersionSection(QStringList& lines);
// "操作系统:" with "Linux" and the running kernel's version numbers.
void AddSystemLine(QStringList& lines);
// The distribution, the kernel as "uname -srvm" names it, the desktop
// session and the Qt version with the platform plugin in use.
void AddLinuxLines(QStringList& lines);
// The system library folder and the temporary folder.
void AddFoldersSection(QStringList& lines);
// Physical memory and swap.
void AddMemorySection(QStringList& lines);
// Every environment entry in the environment's order, with credentials
// masked as "******" (SecretMask.h).
void AddEnvironmentSection(QStringList& lines);
// The mounted file systems that hold files, in mount-point order, each with
// what is mounted, its type, and its size and free space.
void AddFileSystemsSection(QStringList& lines);

// All sections with their separator lines, ending with "系统信息结束" and a
// separator line.
void AddSystemReport(QStringList& lines);
