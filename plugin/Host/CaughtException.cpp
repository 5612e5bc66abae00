#include "Host/CaughtException.h"

#include <exception>
#include <string>
#include "Orvel/AggregateException.h"
#include "Orvel/Log.h"

namespace Nimbrava
{
    Yarrin::V1::IBasicString<char>* ReportCaughtException() noexcept
    {
        std::string text = Orvel::ExceptionText(std::current_exception());
        if (text.empty()) // the text could not be built: still more than nothing to the player
            text = "UnkownException";
        try
        {
            // Before Open (the log could not be opened) the line goes nowhere.
            Orvel::Logger::Instance().Log(Orvel::LogLevel::Fatal, "{}", text);
        }
        catch (...)
        {
            // The host still learns of the failure.
        }
        auto* message = Yarrin::V1::Details::ConstructString<char>(text.data(), text.size());
        if (message == nullptr)
            std::terminate(); // no way left to tell the host, and nothing may be thrown at it
        return message;
    }
} // namespace Nimbrava
