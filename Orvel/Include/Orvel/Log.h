#pragma once
// The process-wide log file: a banner when it is opened, then one line per call:
// [indentation][YYYY/MM/DD - HH:MM:SS][ [LEVEL]   ]message\n

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>
#include <fmt/format.h>
#include "Orvel/Events.h"
#include "Orvel/Exceptions.h"
#include "Orvel/LogLevel.h"
#include "Orvel/StringBuffer.h"

namespace Orvel
{
    // Thrown by Logger::Open when the log file cannot be opened: "Couldn't open logging file '<path>'",
    // with the errno of the failed open.
    class LogFileOpenException : public ErrnoException<IOException>
    {
    public:
        explicit LogFileOpenException(const std::filesystem::path& path);
    };

    class Logger
    {
    public:
        using LineEvent = EventHandler<std::string_view, LogLevel>;

        Logger();
        ~Logger();
        Logger(const Logger&) = delete;
        Logger& operator=(const Logger&) = delete;

        // The one logger of the process (constructed first among the library's static objects).
        [[nodiscard]] static Logger& Instance() noexcept;

        // Opens (creates or truncates) the log file and writes the banner; a file opened before is
        // closed. Throws LogFileOpenException when the file cannot be opened; the logger then stays
        // usable and its lines go nowhere. Not synchronised with Log: call it before other threads log.
        void Open(const std::filesystem::path& path, std::string_view displayName);

        // Writes one line when the level passes the filter, then raises LineLogged. Any thread, any
        // time (before Open the line goes nowhere). Throws what locking, allocation or formatting
        // throws, and the AggregateException of failing LineLogged handlers (the line is written).
        template <typename... Args>
        void Log(LogLevel level, fmt::format_string<Args...> format, Args&&... args)
        {
            const LogLevel effective = level == LogLevel::Default ? DefaultLevel : level;
            if (static_cast<std::uint32_t>(effective) < static_cast<std::uint32_t>(MinimumLevel))
                return;
            WriteLine(effective, format, fmt::make_format_args(args...));
        }

        // Line handlers receive the line without its line feed (valid only during the call) and its
        // effective level. They run under the logger's locks and must not log through this logger,
        // nor add or remove handlers. Adding and removing takes LineMutex and then EventMutex.
        void AddLineFunction(LineEvent::FunctionPointer handler);
        LineEvent::CallableId AddLineHandler(Function<void(std::string_view, LogLevel)> handler);
        bool RemoveLineFunction(LineEvent::FunctionPointer handler);
        bool RemoveLineHandler(LineEvent::CallableId handler);

        [[nodiscard]] bool IsOpen() const noexcept { return Stream.is_open(); }
        // The capacity of the line buffer (it grows for long lines and never shrinks).
        [[nodiscard]] std::uint64_t LineCapacity() const noexcept { return LineBuffer.capacity(); }

        LogLevel DefaultLevel = LogLevel::Message;
        LogLevel MinimumLevel = LogLevel::Message;
        bool WriteTimestamp = true;
        std::uint32_t IndentDepth = 0;
        std::uint32_t IndentWidth = 4;
        bool FlushEachLine = true;
        bool WriteLevelTag = true;

    private:
        void WriteLine(LogLevel level, fmt::string_view format, fmt::format_args args);
        void AppendTimestamp();

        std::mutex LineMutex;
        StringBuffer<1024> LineBuffer;
        std::mutex EventMutex;
        LineEvent LineLogged;
        std::ofstream Stream;

        // The formatted local time of the second last written, reused within that second.
        std::int64_t m_timestampSecond = -1;
        char m_timestamp[22] = {};
        std::size_t m_timestampLength = 0;
    };
} // namespace Orvel
