#pragma once

#include "Format.h"

/**
 * The process-wide trace functions. Each writes one line to standard error with a single write and,
 * while forwarding is on, posts it as the notification "Debug" (object: the line) on the calling
 * thread. A format that does not end in "\n" gets one. Callable from any thread.
 *
 *   traceMessage        the message alone
 *   traceFileLine       "%@, line:%d  %@"        file name, line, message
 *   traceFileMethodLine "%@, %@, line:%d  %@"    file name, method name, line, message
 *
 * The TRACE macros fill in the caller's file, line and method name.
 */

/** Forwarding of trace lines as "Debug" notifications; off at process start. */
bool isTraceForwarding();
void setTraceForwarding(bool on);

/** Writes an already composed line (no "\n" added) to standard error and forwards it. */
void traceWriteLine(const QString& line);

/** The message text for a format: "\n" appended unless present, then formatted. */
QString traceCompose(QStringView format, const QVariantList& args);

void traceMessageList(QStringView format, const QVariantList& args);
void traceFileLineList(const char* file, int line, QStringView format, const QVariantList& args);
void traceFileMethodLineList(const char* file, int line, const QString& methodText, QStringView format,
                             const QVariantList& args);

/** "-[Class method]" from a compiler function name such as "void AppDelegate::gameLoop(int)". */
QString methodNameText(const char* prettyFunction);
/** The method piece of a method name text: "-[AppDelegate debugSystem]" gives "debugSystem"; "" when
 *  the text is not of that shape. */
QString methodNameFromText(const QString& text);
/** The last component of a source file path. */
QString sourceFileName(const char* path);

template <typename... Args> void traceMessage(QStringView fmt, const Args&... args)
{
    traceMessageList(fmt, QVariantList{format_detail::toArg(args)...});
}
template <typename... Args> void traceMessage(const char* fmt, const Args&... args)
{
    traceMessageList(QString::fromUtf8(fmt), QVariantList{format_detail::toArg(args)...});
}
template <typename... Args> void traceFileLine(const char* file, int line, QStringView fmt, const Args&... args)
{
    traceFileLineList(file, line, fmt, QVariantList{format_detail::toArg(args)...});
}
template <typename... Args> void traceFileLine(const char* file, int line, const char* fmt, const Args&... args)
{
    traceFileLineList(file, line, QString::fromUtf8(fmt), QVariantList{format_detail::toArg(args)...});
}
template <typename... Args>
void traceFileMethodLine(const char* file, int line, const QString& method, QStringView fmt, const Args&... args)
{
    traceFileMethodLineList(file, line, method, fmt, QVariantList{format_detail::toArg(args)...});
}
template <typename... Args>
void traceFileMethodLine(const char* file, int line, const QString& method, const char* fmt, const Args&... args)
{
    traceFileMethodLineList(file, line, method, QString::fromUtf8(fmt), QVariantList{format_detail::toArg(args)...});
}

// TRACE("checking %@", host) writes "File.cpp, method, line:12  checking host".
#define TRACE(fmt, ...)                                                                                                \
    ::traceFileMethodLine(__FILE__, __LINE__, ::methodNameText(__PRETTY_FUNCTION__), fmt __VA_OPT__(, ) __VA_ARGS__)
#define TRACE_FL(fmt, ...) ::traceFileLine(__FILE__, __LINE__, fmt __VA_OPT__(, ) __VA_ARGS__)
#define TRACE_MSG(fmt, ...) ::traceMessage(fmt __VA_OPT__(, ) __VA_ARGS__)
