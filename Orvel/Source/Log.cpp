#include "Orvel/Log.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <syncstream>
#include "Orvel/Exceptions.h"
#include "Orvel/InitPriority.h"

namespace Orvel
{
    namespace
    {
        ORVEL_INIT_PRIORITY(ORVEL_INIT_PRIORITY_LOGGER)
        Logger ProcessLogger;
    } // namespace

    LogFileOpenException::LogFileOpenException(const std::filesystem::path& path)
        : ErrnoException(FormatWithLocation<std::string>("Couldn't open logging file '{}'"), path.string())
    {
    }

    Logger::Logger() = default;
    Logger::~Logger() = default;

    Logger& Logger::Instance() noexcept
    {
        return ProcessLogger;
    }

    void Logger::Open(const std::filesystem::path& path, std::string_view displayName)
    {
        std::ofstream file;
        // A file that is flushed after every line gains nothing from the stream's own buffer: each
        // line goes to the system in one write, without a copy into the buffer first.
        if (FlushEachLine)
            file.rdbuf()->pubsetbuf(nullptr, 0);
        file.open(path, std::ios_base::out);
        const int openErrno = errno;
        Stream = std::move(file);
        if (!Stream.is_open())
        {
            // Closing the previous file may have touched errno; the exception reports the open's.
            errno = openErrno;
            throw LogFileOpenException(path);
        }

        {
            std::osyncstream banner(Stream);
            banner << "Logging stream";
            if (!displayName.empty())
                banner << " for \"" << displayName << '"';
            banner << " successfully initialized\n";
            if (WriteTimestamp)
                banner << "Date and time format: YYYY/MM/DD - HH:MM:SS\n";
            banner << std::string(120, '-') << '\n';
        }
        if (FlushEachLine)
            Stream.flush();
    }

    void Logger::AppendTimestamp()
    {
        // The C runtime's time() and localtime are slow on some systems (several microseconds a call
        // under Wine); the clock is cheap, so the formatted text is reused within one second.
        const auto now = std::chrono::system_clock::now();
        const auto second = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
        if (second != m_timestampSecond)
        {
            const std::time_t calendar = static_cast<std::time_t>(second);
            std::tm local{};
#ifdef _WIN32
            const bool converted = localtime_s(&local, &calendar) == 0;
#else
            const bool converted = localtime_r(&calendar, &local) != nullptr;
#endif
            // "%H:%M:%S" rather than "%T": not every C runtime knows the short form.
            m_timestampLength =
                converted ? std::strftime(m_timestamp, sizeof m_timestamp, "%Y/%m/%d - %H:%M:%S", &local) : 0;
            m_timestampSecond = m_timestampLength != 0 ? second : -1;
        }
        LineBuffer.append(m_timestamp, m_timestampLength);
    }

    void Logger::WriteLine(LogLevel level, fmt::string_view format, fmt::format_args args)
    {
        std::lock_guard lineLock(LineMutex);
        LineBuffer.clear();

        for (std::uint64_t i = std::uint64_t{IndentDepth} * IndentWidth; i > 0; --i)
            LineBuffer.push_back(' ');
        if (WriteTimestamp)
            AppendTimestamp();
        // Levels beyond Fatal have no tag and are written without one.
        if (WriteLevelTag)
            LineBuffer.append(LevelTag(level == LogLevel::Default ? DefaultLevel : level));

        // The message is formatted straight into the buffer's free space. A message that does not
        // fit is formatted once more after the buffer has grown to hold it: formatting cannot resume
        // where it stopped, and lines that long are rare.
        const std::uint64_t start = LineBuffer.size();
        const std::uint64_t room = LineBuffer.capacity() - start;
        const std::size_t length =
            fmt::vformat_to_n(LineBuffer.data() + start, static_cast<std::size_t>(room), format, args).size;
        LineBuffer.resize(start + length); // grows, keeping only the prefix, when the message did not fit
        if (length > room)
            fmt::vformat_to_n(LineBuffer.data() + start, length, format, args);
        LineBuffer.push_back('\n');

        // Straight to the stream's buffer: the stream's own sentries add nothing for a file that
        // nothing else writes to. A failed write is recorded in the stream's state, as insertion does.
        const auto size = static_cast<std::streamsize>(LineBuffer.size());
        if (Stream.is_open() && Stream.good())
        {
            if (Stream.rdbuf()->sputn(LineBuffer.data(), size) != size ||
                (FlushEachLine && Stream.rdbuf()->pubsync() != 0))
                Stream.setstate(std::ios_base::badbit);
        }
        else
            Stream.setstate(std::ios_base::badbit);

        // The handler lists change only under both mutexes, so with LineMutex held an empty event
        // can be seen without taking EventMutex.
        if (LineLogged.Empty())
            return;
        std::lock_guard eventLock(EventMutex);
        LineLogged.Raise(std::string_view(LineBuffer.data(), static_cast<std::size_t>(LineBuffer.size() - 1)), level);
    }

    void Logger::AddLineFunction(LineEvent::FunctionPointer handler)
    {
        std::scoped_lock lock(LineMutex, EventMutex);
        LineLogged.AddFunction(handler);
    }

    Logger::LineEvent::CallableId Logger::AddLineHandler(Function<void(std::string_view, LogLevel)> handler)
    {
        std::scoped_lock lock(LineMutex, EventMutex);
        return LineLogged.AddCallable(std::move(handler));
    }

    bool Logger::RemoveLineFunction(LineEvent::FunctionPointer handler)
    {
        std::scoped_lock lock(LineMutex, EventMutex);
        return LineLogged.RemoveFunction(handler);
    }

    bool Logger::RemoveLineHandler(LineEvent::CallableId handler)
    {
        std::scoped_lock lock(LineMutex, EventMutex);
        return LineLogged.RemoveCallable(handler);
    }
} // namespace Orvel
