#pragma once
// A move-only, type-erased callable with 24 bytes of inline storage.

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include "Orvel/Exceptions.h"

namespace Orvel
{
    namespace FunctionDetails
    {
        template <typename... Args>
        class FunctionStorageBase;

        // One constant table per stored callable type.
        template <typename... Args>
        struct FunctionOps
        {
            // Destroys the stored callable (and frees it when it lives on the heap).
            void (*Destroy)(FunctionStorageBase<Args...>& self) noexcept;
            // Moves the stored callable from `from` into the empty `to`.
            void (*MoveTo)(FunctionStorageBase<Args...>& from, FunctionStorageBase<Args...>& to) noexcept;
            // The stored callable's type.
            const std::type_info& (*TargetType)() noexcept;
            // Calls the stored callable.
            void (*Invoke)(const FunctionStorageBase<Args...>& self, Args... args);
        };

        template <typename... Args>
        class FunctionStorageBase
        {
        public:
            static constexpr std::size_t InlineSize = 24;

            // Calls the stored callable. Throws InvalidOperationException("Bad function call") when
            // nothing is stored; otherwise whatever the callable throws.
            void Invoke(Args... args) const
            {
                if (m_ops == nullptr)
                    throw InvalidOperationException("Bad function call");
                m_ops->Invoke(*this, std::forward<Args>(args)...);
            }

            [[nodiscard]] explicit operator bool() const noexcept { return m_ops != nullptr; }

        protected:
            FunctionStorageBase() noexcept = default;
            ~FunctionStorageBase() { Reset(); }
            FunctionStorageBase(const FunctionStorageBase&) = delete;
            FunctionStorageBase& operator=(const FunctionStorageBase&) = delete;

            void Reset() noexcept
            {
                if (m_object != nullptr)
                {
                    m_ops->Destroy(*this);
                    m_ops = nullptr;
                    m_object = nullptr;
                }
            }

            template <typename F>
            static constexpr bool StoredInline =
                sizeof(F) <= InlineSize && alignof(F) <= alignof(void*) && std::is_nothrow_move_constructible_v<F>;

            template <typename F>
            void Store(F&& callable)
            {
                using Stored = std::decay_t<F>;
                if constexpr (StoredInline<Stored>)
                    m_object = ::new (static_cast<void*>(m_storage)) Stored(std::forward<F>(callable));
                else
                    m_object = new Stored(std::forward<F>(callable));
                m_ops = &OpsFor<Stored>;
            }

            void MoveFrom(FunctionStorageBase& other) noexcept
            {
                if (other.m_object != nullptr)
                {
                    other.m_ops->MoveTo(other, *this);
                    other.m_ops = nullptr;
                    other.m_object = nullptr;
                }
            }

            template <typename Stored>
            [[nodiscard]] Stored* ObjectAs() const noexcept
            {
                return static_cast<Stored*>(m_object);
            }

        private:
            template <typename Stored>
            static void DestroyStored(FunctionStorageBase& self) noexcept
            {
                if constexpr (StoredInline<Stored>)
                    std::destroy_at(self.template ObjectAs<Stored>());
                else
                    delete self.template ObjectAs<Stored>();
            }

            template <typename Stored>
            static void MoveStored(FunctionStorageBase& from, FunctionStorageBase& to) noexcept
            {
                to.m_ops = from.m_ops;
                if constexpr (StoredInline<Stored>)
                {
                    Stored* source = from.template ObjectAs<Stored>();
                    to.m_object = ::new (static_cast<void*>(to.m_storage)) Stored(std::move(*source));
                    std::destroy_at(source);
                }
                else
                    to.m_object = from.m_object; // the heap object changes hands
            }

            template <typename Stored>
            static const std::type_info& TypeOf() noexcept
            {
                return typeid(Stored);
            }

            template <typename Stored>
            static void InvokeStored(const FunctionStorageBase& self, Args... args)
            {
                (*self.template ObjectAs<Stored>())(std::forward<Args>(args)...);
            }

            template <typename Stored>
            static constexpr FunctionOps<Args...> OpsFor{&DestroyStored<Stored>, &MoveStored<Stored>, &TypeOf<Stored>,
                                                         &InvokeStored<Stored>};

            const FunctionOps<Args...>* m_ops = nullptr;
            void* m_object = nullptr; // the stored callable; not null exactly while one is stored
            alignas(void*) unsigned char m_storage[InlineSize];
        };
    } // namespace FunctionDetails

    template <typename Signature>
    class Function;

    // Holds any callable that can be called with Args; small ones (up to 24 bytes) without a heap
    // allocation. Move-only.
    template <typename... Args>
    class Function<void(Args...)> : public FunctionDetails::FunctionStorageBase<Args...>
    {
        using Base = FunctionDetails::FunctionStorageBase<Args...>;

    public:
        Function() noexcept {}

        template <typename F>
            requires(!std::is_same_v<std::decay_t<F>, Function> && std::is_invocable_v<std::decay_t<F>&, Args...>)
        Function(F&& callable) // NOLINT(google-explicit-constructor): a callable converts to a Function
        {
            // A null function pointer stores nothing, so that calling it is a bad call, not a crash.
            if constexpr (std::is_pointer_v<std::decay_t<F>> || std::is_member_pointer_v<std::decay_t<F>>)
            {
                if (callable == nullptr)
                    return;
            }
            this->Store(std::forward<F>(callable));
        }

        Function(Function&& other) noexcept { this->MoveFrom(other); }

        Function& operator=(Function&& other) noexcept
        {
            if (this != &other)
            {
                this->Reset();
                this->MoveFrom(other);
            }
            return *this;
        }

        ~Function() = default;
    };
} // namespace Orvel
