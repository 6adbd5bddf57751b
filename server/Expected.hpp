#pragma once

#include <string>
#include <utility>
#include <variant>

namespace server {

// Why an operation gave no value: one line for the log or for a page.
struct Error {
    std::string message;
};

// A value or the Error that stands in its place. The server's parsing and storage functions
// return it instead of throwing.
template <class T>
class Expected {
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    T& operator*() { return std::get<0>(m_state); }
    const T& operator*() const { return std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    // The reason; valid only when there is no value.
    const std::string& error() const { return std::get<1>(m_state).message; }

private:
    std::variant<T, Error> m_state;
};

} // namespace server
