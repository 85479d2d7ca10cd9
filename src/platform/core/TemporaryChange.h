// SPDX-License-Identifier: MIT
// Gives a variable a value for the length of a scope and puts the old value back when the
// scope is left, however it is left: the one way to write a re-entrancy guard or a depth.
#pragma once

#include <utility>

template <typename T>
class TemporaryChange {
public:
    TemporaryChange(T& variable, T value) : m_variable(variable), m_old(std::exchange(variable, std::move(value))) {}
    ~TemporaryChange() { m_variable = std::move(m_old); }
    TemporaryChange(const TemporaryChange&) = delete;
    TemporaryChange& operator=(const TemporaryChange&) = delete;

    const T& oldValue() const { return m_old; }

private:
    T& m_variable;
    T m_old;
};
