#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "jobs/settings.h"

namespace tintwell {

// A settings store in memory, for runs that keep nothing (tests, the command-line tool).
// It remembers the order of writes, so a caller can check it.
class MemorySettingsStore final : public SettingsStore {
  public:
    using Value = std::variant<std::string, int>;

    [[nodiscard]] std::optional<std::string> ReadString(std::string_view section,
                                                        std::string_view key) const override {
        const Value* value = Find(section, key);
        if (value == nullptr || !std::holds_alternative<std::string>(*value)) return {};
        return std::get<std::string>(*value);
    }
    [[nodiscard]] std::optional<int> ReadInt(std::string_view section,
                                             std::string_view key) const override {
        const Value* value = Find(section, key);
        if (value == nullptr || !std::holds_alternative<int>(*value)) return {};
        return std::get<int>(*value);
    }
    void WriteString(std::string_view section, std::string_view key,
                     const std::string& value) override {
        Put(section, key, value);
    }
    void WriteInt(std::string_view section, std::string_view key, int value) override {
        Put(section, key, value);
    }

    // "Section/Key" of every write, in order.
    [[nodiscard]] const std::vector<std::string>& WriteOrder() const { return writeOrder_; }
    [[nodiscard]] std::size_t Size() const { return values_.size(); }

  private:
    static std::string KeyOf(std::string_view section, std::string_view key) {
        return std::string(section) + "/" + std::string(key);
    }
    const Value* Find(std::string_view section, std::string_view key) const {
        const auto found = values_.find(KeyOf(section, key));
        return found == values_.end() ? nullptr : &found->second;
    }
    void Put(std::string_view section, std::string_view key, Value value) {
        writeOrder_.push_back(KeyOf(section, key));
        values_[KeyOf(section, key)] = std::move(value);
    }

    std::map<std::string, Value> values_;
    std::vector<std::string> writeOrder_;
};

}  // namespace tintwell
