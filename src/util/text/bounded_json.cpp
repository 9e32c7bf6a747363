#include "util/text/bounded_json.h"

#include <utility>
#include <vector>

namespace {
using json = nlohmann::json;

// Builds the tree as the parser reads, counting as it goes; returning false
// stops the parser at once.
class BoundedBuilder {
public:
    BoundedBuilder(json& root, const JsonLimits& limits, std::string& error, bool& overLimit)
        : root_(root), limits_(limits), error_(error), overLimit_(overLimit) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(json::number_integer_t value) { return Add(value); }
    bool number_unsigned(json::number_unsigned_t value) { return Add(value); }
    bool number_float(json::number_float_t value, const json::string_t&) { return Add(value); }
    // The parser's own buffer is moved from: a large string is held once.
    bool string(json::string_t& value) { return Add(std::move(value)); }
    bool binary(json::binary_t&) { return Refuse("not JSON", false); }

    bool start_object(std::size_t) { return Open(json::value_t::object); }
    bool start_array(std::size_t) { return Open(json::value_t::array); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(json::string_t& name) {
        member_ = &(*open_.back())[std::move(name)]; // a repeated key: the last one holds
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return Refuse("not JSON", false);
    }

private:
    template <typename Value> json* Placed(Value&& value) {
        if (open_.empty()) {
            root_ = json(std::forward<Value>(value));
            return &root_;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.emplace_back(std::forward<Value>(value));
            return &parent.back();
        }
        *member_ = json(std::forward<Value>(value));
        return member_;
    }

    template <typename Value> bool Add(Value&& value) {
        if (++values_ > limits_.values)
            return Refuse("it holds more than " + std::to_string(limits_.values) + " values", true);
        Placed(std::forward<Value>(value));
        return true;
    }

    // A container's pointer stays valid while it is open: nothing is added to
    // its parent until it closes.
    bool Open(json::value_t type) {
        if (open_.size() >= limits_.depth)
            return Refuse("it nests deeper than " + std::to_string(limits_.depth) + " levels", true);
        if (++values_ > limits_.values)
            return Refuse("it holds more than " + std::to_string(limits_.values) + " values", true);
        open_.push_back(Placed(json(type)));
        return true;
    }

    bool Close() {
        open_.pop_back();
        return true;
    }

    bool Refuse(std::string error, bool overLimit) {
        error_ = std::move(error);
        overLimit_ = overLimit;
        return false;
    }

    json& root_;
    const JsonLimits& limits_;
    std::string& error_;
    bool& overLimit_;
    std::vector<json*> open_;
    json* member_ = nullptr;
    size_t values_ = 0;
};
} // namespace

BoundedJson ParseBoundedJson(const std::string& text, const JsonLimits& limits) {
    BoundedJson result;
    BoundedBuilder builder(result.value, limits, result.error, result.overLimit);
    const bool parsed = json::sax_parse(text, &builder, json::input_format_t::json, true, false);
    if (!parsed || !result.error.empty()) {
        if (result.error.empty())
            result.error = "not JSON";
        result.value = nullptr;
    }
    return result;
}
