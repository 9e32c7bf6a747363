#include "bridge/large_messages.h"

namespace {
class TopLevelScanner {
public:
    explicit TopLevelScanner(std::string_view text) : text_(text) {}

    MessageHead Scan() {
        MessageHead head;
        SkipBlanks();
        if (!Take('{'))
            return head;
        SkipBlanks();
        if (Take('}'))
            return head;
        for (;;) {
            std::string_view name;
            if (!String(name) || (SkipBlanks(), !Take(':')))
                return head;
            SkipBlanks();
            std::string_view value;
            const bool isString = At('"');
            if (isString ? !String(value) : !SkipValue())
                return head;
            if (isString && name == "type")
                head.type = value;
            else if (isString && name == "call")
                head.call = value;
            if (!head.type.empty() && !head.call.empty())
                return head;
            SkipBlanks();
            if (!Take(','))
                return head;
            SkipBlanks();
        }
    }

private:
    bool At(char c) const { return at_ < text_.size() && text_[at_] == c; }
    bool Take(char c) {
        if (!At(c))
            return false;
        ++at_;
        return true;
    }
    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    // A string's raw contents; one holding an escape reads as empty, so it
    // never matches a name.
    bool String(std::string_view& contents) {
        if (!Take('"'))
            return false;
        const size_t start = at_;
        bool escaped = false;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\') {
                escaped = true;
                ++at_;
            }
            ++at_;
        }
        if (at_ >= text_.size())
            return false;
        contents = escaped ? std::string_view() : text_.substr(start, at_ - start);
        ++at_;
        return true;
    }

    // Any other value, nested ones counted rather than followed.
    bool SkipValue() {
        size_t depth = 0;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '"') {
                std::string_view ignored;
                if (!String(ignored))
                    return false;
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0)
                    return true;
                --depth;
            } else if (c == ',' && depth == 0) {
                return true;
            }
            ++at_;
        }
        return false;
    }

    std::string_view text_;
    size_t at_ = 0;
};
} // namespace

MessageHead ScanMessageHead(std::string_view text) {
    return TopLevelScanner(text).Scan();
}

bool IsLargeWrite(const MessageHead& head) {
    return head.type == "steam" && head.call == "cloud-write";
}

bool IsSaveWrite(const MessageHead& head) {
    return head.type == "save-write";
}
