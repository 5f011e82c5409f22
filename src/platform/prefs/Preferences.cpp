#include "platform/prefs/Preferences.h"

namespace quib {

namespace {

void appendEscaped(std::string& out, std::string_view text) {
    static const char* const kHex = "0123456789abcdef";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += ch;
                }
        }
    }
}

// A minimal reader for the one JSON shape stored here: an array of strings.
class ListReader {
  public:
    explicit ListReader(std::string_view json) : m_text(json) {}

    std::optional<std::vector<std::string>> read() {
        std::vector<std::string> items;
        skipSpace();
        if (!consume('[')) {
            return std::nullopt;
        }
        skipSpace();
        if (consume(']')) {
            return finish(std::move(items));
        }
        while (true) {
            auto item = readString();
            if (!item) {
                return std::nullopt;
            }
            items.push_back(std::move(*item));
            skipSpace();
            if (consume(']')) {
                return finish(std::move(items));
            }
            if (!consume(',')) {
                return std::nullopt;
            }
            skipSpace();
        }
    }

  private:
    std::optional<std::vector<std::string>> finish(std::vector<std::string> items) {
        skipSpace();
        if (m_pos != m_text.size()) {
            return std::nullopt;
        }
        return items;
    }

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\t' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }

    bool consume(char ch) {
        if (m_pos < m_text.size() && m_text[m_pos] == ch) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::optional<std::string> readString() {
        if (!consume('"')) {
            return std::nullopt;
        }
        std::string out;
        while (m_pos < m_text.size()) {
            const char ch = m_text[m_pos++];
            if (ch == '"') {
                return out;
            }
            if (ch != '\\') {
                out += ch;
                continue;
            }
            if (m_pos >= m_text.size() || !readEscape(out)) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    bool readEscape(std::string& out) {
        const char ch = m_text[m_pos++];
        switch (ch) {
            case '"':
            case '\\':
            case '/':
                out += ch;
                return true;
            case 'n':
                out += '\n';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'u':
                return readUnicode(out);
            default:
                return false;
        }
    }

    bool readHex4(unsigned& value) {
        if (m_pos + 4 > m_text.size()) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char ch = m_text[m_pos++];
            value <<= 4;
            if (ch >= '0' && ch <= '9') {
                value |= static_cast<unsigned>(ch - '0');
            } else if (ch >= 'a' && ch <= 'f') {
                value |= static_cast<unsigned>(ch - 'a' + 10);
            } else if (ch >= 'A' && ch <= 'F') {
                value |= static_cast<unsigned>(ch - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool readUnicode(std::string& out) {
        unsigned code = 0;
        if (!readHex4(code)) {
            return false;
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            unsigned low = 0;
            if (!consume('\\') || !consume('u') || !readHex4(low) || low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        appendUtf8(out, code);
        return true;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

}  // namespace

std::string encodeStringList(const std::vector<std::string>& list) {
    std::string out = "[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += '"';
        appendEscaped(out, list[i]);
        out += '"';
    }
    out += ']';
    return out;
}

std::optional<std::vector<std::string>> decodeStringList(std::string_view json) {
    return ListReader(json).read();
}

}  // namespace quib
