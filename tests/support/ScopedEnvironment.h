#pragma once
// Sets environment variables for the child processes a test starts, and puts
// back what was there before when the scope ends.

#include <QByteArray>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, QByteArray>> values)
    {
        for (const auto& [name, value] : values) {
            saved.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
            qputenv(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second)
                qputenv(it->first, *it->second);
            else
                qunsetenv(it->first);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
};
