#pragma once
// The one default error display: an error that ends a command is shown as a message box with its
// text, the application title and an OK button, and the program goes on.

#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace forms {

class ErrorDisplay {
public:
    // Gives the text of an exception type this layer does not know; nullopt when the translator
    // does not know it either.
    using Translator = std::function<std::optional<QString>(const std::exception_ptr&)>;
    static void addTranslator(Translator translator);

    // The text shown for an error: a translator's, else what() read as UTF-8.
    static QString describe(const std::exception_ptr& error);

    // Shows the message box through the modal seam.
    static void show(const std::exception_ptr& error);
    // Call only inside a catch block.
    static void showCurrent() { show(std::current_exception()); }
};

// Wraps a command handler so that an error escaping it is shown instead of leaving the command's
// caller (a menu, a button, a timer) half way. Whatever the handler did before stays done.
template <class Handler>
auto command(Handler handler)
{
    // Signal arguments the handler does not take (a menu action's "checked") are dropped.
    return [handler = std::move(handler)](auto&&... args) {
        try {
            if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (...) {
            ErrorDisplay::showCurrent();
        }
    };
}

} // namespace forms
