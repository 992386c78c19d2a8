// Changes held for the length of a scope and undone on every way out of it.
#pragma once

namespace ferrule {

// Counts one more while it lives: a depth of nested scopes.
class ScopedIncrement {
public:
    explicit ScopedIncrement(int& counter) : m_counter(counter) { ++m_counter; }
    ~ScopedIncrement() { --m_counter; }
    ScopedIncrement(const ScopedIncrement&) = delete;
    ScopedIncrement& operator=(const ScopedIncrement&) = delete;

private:
    int& m_counter;
};

// Sets a flag while it lives and puts the old value back.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~ScopedFlag() { m_flag = m_old; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

}  // namespace ferrule
