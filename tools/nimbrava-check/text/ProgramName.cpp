#include "text/ProgramName.h"

#include <algorithm>
#include "text/Detail/Shell.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        std::string& Name()
        {
            static std::string name = "nimbrava-check";
            return name;
        }
    } // namespace

    void SetProgramName(std::string_view started)
    {
        if (!started.empty())
            Name() = ShellWord(PrintableText(started));
    }

    const std::string& ProgramName() noexcept
    {
        return Name();
    }

    std::string ShellWord(std::string_view text)
    {
        const auto plain = [marks = Detail::PlainShellMarks()](char c) {
            return static_cast<unsigned char>(c) >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                   (c >= '0' && c <= '9') || marks.find(c) != std::string_view::npos;
        };
        if (!text.empty() && std::ranges::all_of(text, plain))
            return std::string(text);
        return Detail::QuotedShellWord(text);
    }
} // namespace NimbravaCheck
