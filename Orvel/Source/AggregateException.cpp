#include "Orvel/AggregateException.h"

#include <typeinfo>
#include "Orvel/Detail/TypeName.h"

namespace Orvel
{
    AggregateException::AggregateException(std::source_location location) noexcept
        : CustomExceptionTemplate("One or more error(s) occurred", location)
    {
    }

    AggregateException::~AggregateException() = default;

    void AggregateException::Add(const GenericException& caught)
    {
        GenericExceptions.push_back(std::make_shared<GenericException>(caught));
    }

    namespace
    {
        // The std::exception part of a caught object together with its what() text. (A plain
        // std::exception copy would lose the text: this standard library keeps none in the base.)
        class StandardExceptionCopy final : public std::exception
        {
        public:
            explicit StandardExceptionCopy(const std::exception& caught) : m_text(caught.what()) {}
            [[nodiscard]] const char* what() const noexcept override { return m_text.c_str(); }

        private:
            std::string m_text;
        };
    } // namespace

    void AggregateException::Add(const std::exception& caught)
    {
        StandardExceptions.push_back(std::make_shared<StandardExceptionCopy>(caught));
    }

    void AggregateException::Add(std::exception_ptr caught)
    {
        OtherExceptions.push_back(std::move(caught));
    }

    namespace
    {
        std::string NameOf(const std::exception& e) noexcept
        {
            std::string name;
            if (typeid(e) == typeid(StandardExceptionCopy))
                return "std::exception";
            try
            {
                name = Detail::ReadableTypeName(typeid(e));
            }
            catch (...)
            {
                return "UnkownException";
            }
            // Other toolchains spell class types with their keyword in front.
            if (name.size() >= 6 && name.starts_with("class "))
                name.erase(0, 6);
            if (name.size() >= 7 && name.starts_with("struct "))
                name.erase(0, 7);
            return name;
        }

        void AppendEntry(std::string& out, const std::exception& e)
        {
            std::string text;
            AppendExceptionText(text, e, 0);
            out += text;
        }
    } // namespace

    void AppendExceptionText(std::string& out, const std::exception& e, std::uint32_t depth) noexcept
    {
        try
        {
            if (const auto* generic = dynamic_cast<const GenericException*>(&e))
                out += generic->ToString();
            else
                fmt::format_to(std::back_inserter(out), "{}({})", NameOf(e), e.what());

            // A nested_exception made outside a handler holds nothing; rethrowing that would end
            // the process.
            if (const auto* nested = dynamic_cast<const std::nested_exception*>(&e); nested && nested->nested_ptr())
            {
                try
                {
                    nested->rethrow_nested();
                }
                catch (const std::exception& inner)
                {
                    out += '\n';
                    out.append(depth + 1, '\t');
                    AppendExceptionText(out, inner, depth + 1);
                }
            }
        }
        catch (...)
        {
            out.clear();
        }
    }

    std::string ExceptionText(const std::exception_ptr& caught) noexcept
    {
        if (!caught)
            return {};
        std::string text;
        try
        {
            std::rethrow_exception(caught);
        }
        catch (const std::exception& e)
        {
            AppendExceptionText(text, e, 0);
        }
        catch (...)
        {
            text = "UnkownException"; // short enough for the string's own storage: nothing to allocate
        }
        return text;
    }

    std::string AggregateException::ToString() const noexcept
    {
        try
        {
            std::string text = "AggregateException(";
            text += GetMessage();
            text += ")\n{\n";
            const std::size_t header = text.size();

            for (const auto& entry : GenericExceptions)
            {
                text += entry->ToString();
                text += '\n';
            }
            for (const auto& entry : StandardExceptions)
            {
                AppendEntry(text, *entry);
                text += '\n';
            }
            for (const auto& entry : OtherExceptions)
            {
                try
                {
                    std::rethrow_exception(entry);
                }
                catch (const GenericException& e) // its own text: what it nests is not listed here
                {
                    text += e.ToString();
                }
                catch (...)
                {
                    text += ExceptionText(entry);
                }
                text += '\n';
            }
            text.pop_back();

            // Every line of the entries, continuation lines included, starts with one more tab.
            std::string indented;
            indented.reserve(text.size() + text.size() / 8 + 4);
            indented.append(text, 0, header);
            if (header < text.size())
                indented += '\t';
            for (std::size_t i = header; i < text.size(); ++i)
            {
                indented += text[i];
                if (text[i] == '\n' && i + 1 < text.size())
                    indented += '\t';
            }
            indented += "\n}\n";
            return indented;
        }
        catch (...)
        {
            return {};
        }
    }
} // namespace Orvel
