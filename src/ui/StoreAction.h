#pragma once

#include <functional>
#include <QObject>
#include <QString>
#include <QWidget>
#include <tuple>
#include <type_traits>
#include <utility>

struct StoreError;

// The one place where a failure of the bank store reaches the user: a message
// box with the error number and the engine's text. The action stops there and
// the program goes on.
QString storeErrorText(const StoreError& e);
void reportStoreError(QWidget* parent, const StoreError& e);

// Runs one user action; a StoreError thrown inside is reported and ends the
// action. Returns false when the action was stopped that way.
bool runStoreAction(QWidget* parent, const std::function<void()>& action);

namespace StoreActionDetail {

// A member function of a window, callable like a free function.
template <class Window, class Member> struct BoundMember
{
    Window* window;
    Member member;

    template <class... A>
    auto operator()(A&&... args) -> decltype(std::invoke(member, window, std::forward<A>(args)...))
    {
        return std::invoke(member, window, std::forward<A>(args)...);
    }
};

template <class F, class Args, std::size_t... I> constexpr bool takesLeading(std::index_sequence<I...>)
{
    return std::is_invocable_v<F&, std::tuple_element_t<I, Args>...>;
}

template <class F, class Args, std::size_t... I>
void callLeading(F& f, const Args& args, std::index_sequence<I...>)
{
    std::invoke(f, std::get<I>(args)...);
}

// Calls `f` with as many of the leading arguments as it takes, as Qt does
// with a slot that takes fewer arguments than its signal.
template <class F, class Args, std::size_t N = std::tuple_size_v<Args>>
void callWithLeading(F& f, const Args& args)
{
    if constexpr (takesLeading<F, Args>(std::make_index_sequence<N>{})) {
        callLeading(f, args, std::make_index_sequence<N>{});
    } else if constexpr (N > 0) {
        callWithLeading<F, Args, N - 1>(f, args);
    } else {
        static_assert(N > 0, "the handler cannot be called with the signal's arguments");
    }
}

} // namespace StoreActionDetail

// Connects a control's signal to a handler of `window` (a member function of
// it, or any callable) so that each call runs as one user action: a
// StoreError out of the handler is reported on `window` and goes no further;
// thrown through Qt's event loop it would be undefined behaviour. The handler
// gets as many of the signal's leading arguments as it takes. The connection
// ends with `window`.
template <class Sender, class Signal, class Window, class Handler>
QMetaObject::Connection connectAction(Sender* sender, Signal signal, Window* window, Handler handler)
{
    static_assert(std::is_base_of_v<QWidget, Window>, "store errors are reported on a window");
    auto call = [&] {
        if constexpr (std::is_member_function_pointer_v<Handler>)
            return StoreActionDetail::BoundMember<Window, Handler>{window, handler};
        else
            return handler;
    }();
    return QObject::connect(sender, signal, window, [window, call]<class... A>(const A&... args) mutable {
        const auto forwarded = std::forward_as_tuple(args...);
        runStoreAction(window, [&] { StoreActionDetail::callWithLeading(call, forwarded); });
    });
}
