#include "Markup.h"

#include "Mappings.h"

#include <algorithm>
#include <optional>

namespace platform {

void blankControlCharacters(std::u16string& text)
{
    for (char16_t& c : text)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            c = u' ';
}

bool isBlank(std::u16string_view text)
{
    return text.find_first_not_of(u" \t\r\n") == std::u16string_view::npos;
}

bool speaksNothing(const std::vector<Fragment>& fragments)
{
    return std::all_of(fragments.begin(), fragments.end(),
                       [](const Fragment& f) { return f.kind == Fragment::Kind::Text && isBlank(f.text); });
}

namespace {

// Collects text units with their source offsets and cuts fragments when the
// settings change.
class FragmentBuilder {
public:
    explicit FragmentBuilder(std::vector<Fragment>& out) : m_out(out) {}

    void add(char16_t unit, uint32_t offset)
    {
        m_text.push_back(unit);
        m_offsets.push_back(offset);
    }
    void flush(uint32_t endOffset, int wpm, int pitch, double gain)
    {
        if (m_text.empty())
            return;
        Fragment f;
        f.text = std::move(m_text);
        blankControlCharacters(f.text);
        f.offsets = std::move(m_offsets);
        f.offsets.push_back(endOffset);
        f.wpm = wpm;
        f.pitch = pitch;
        f.gain = gain;
        m_out.push_back(std::move(f));
        m_text.clear();
        m_offsets.clear();
    }
    void push(Fragment f) { m_out.push_back(std::move(f)); }

private:
    std::vector<Fragment>& m_out;
    std::u16string m_text;
    std::vector<uint32_t> m_offsets;
};

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool equalsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::optional<int64_t> parseNumber(std::u16string_view s)
{
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    size_t digits = 0;
    int64_t value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits)
        value = std::min<int64_t>(value * 10 + (s[i] - u'0'), int64_t{1} << 40);
    while (i < s.size() && isSpace(s[i]))
        ++i;
    if (digits == 0 || i != s.size())
        return std::nullopt;
    return negative ? -value : value;
}

struct Attribute {
    std::u16string name;
    std::u16string value;
};

struct Tag {
    std::u16string name;
    std::vector<Attribute> attributes;
    bool closing = false;
    bool empty = false;
};

// Parses the inside of "<...>"; false when malformed.
bool parseTag(std::u16string_view body, Tag& tag)
{
    size_t i = 0;
    if (i < body.size() && body[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    if (!body.empty() && body.back() == u'/' && !tag.closing) {
        tag.empty = true;
        body.remove_suffix(1);
    }
    size_t start = i;
    while (i < body.size() && !isSpace(body[i]))
        ++i;
    tag.name = std::u16string(body.substr(start, i - start));
    if (tag.name.empty())
        return false;
    for (;;) {
        while (i < body.size() && isSpace(body[i]))
            ++i;
        if (i == body.size())
            return true;
        if (tag.closing)
            return false;
        size_t nameStart = i;
        while (i < body.size() && !isSpace(body[i]) && body[i] != u'=')
            ++i;
        Attribute a{std::u16string(body.substr(nameStart, i - nameStart)), {}};
        while (i < body.size() && isSpace(body[i]))
            ++i;
        if (a.name.empty() || i == body.size() || body[i] != u'=')
            return false;
        ++i;
        while (i < body.size() && isSpace(body[i]))
            ++i;
        if (i == body.size() || (body[i] != u'\'' && body[i] != u'"'))
            return false;
        char16_t quote = body[i++];
        size_t valueEnd = body.find(quote, i);
        if (valueEnd == std::u16string_view::npos)
            return false;
        a.value = std::u16string(body.substr(i, valueEnd - i));
        i = valueEnd + 1;
        tag.attributes.push_back(std::move(a));
    }
}

const std::u16string* attribute(const Tag& tag, std::u16string_view name)
{
    for (const Attribute& a : tag.attributes)
        if (equalsNoCase(a.name, name))
            return &a.value;
    return nullptr;
}

struct XmlState {
    int pitch = 0; // −10..10
    int rate = 0;  // added to the voice's rate
    int level = 100;
};

// Finds the '>' that ends a tag starting at `from`, skipping quoted values.
size_t findTagEnd(std::u16string_view text, size_t from)
{
    char16_t quote = 0;
    for (size_t i = from; i < text.size(); ++i) {
        char16_t c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    return std::u16string_view::npos;
}

std::optional<char32_t> decodeEntity(std::u16string_view name)
{
    if (name == u"lt")
        return U'<';
    if (name == u"gt")
        return U'>';
    if (name == u"amp")
        return U'&';
    if (name == u"quot")
        return U'"';
    if (name == u"apos")
        return U'\'';
    if (name.size() > 1 && name[0] == u'#') {
        char32_t value = 0;
        bool hex = name[1] == u'x' || name[1] == u'X';
        size_t i = hex ? 2 : 1;
        if (i == name.size())
            return std::nullopt;
        for (; i < name.size(); ++i) {
            char16_t c = lower(name[i]);
            int digit = c >= u'0' && c <= u'9' ? c - u'0' : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
            if (digit < 0 || value > 0x10FFFF)
                return std::nullopt;
            value = value * (hex ? 16 : 10) + digit;
        }
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

// A pause or a bookmark, standing at the tag that asked for it.
Fragment silenceAt(size_t tagStart, int milliseconds)
{
    Fragment f;
    f.kind = Fragment::Kind::Silence;
    f.silenceMs = milliseconds;
    f.offsets = {static_cast<uint32_t>(tagStart)};
    return f;
}

Fragment bookmarkAt(size_t tagStart, std::u16string mark, uint32_t value)
{
    Fragment f;
    f.kind = Fragment::Kind::Bookmark;
    f.bookmark = std::move(mark);
    f.bookmarkValue = value;
    f.offsets = {static_cast<uint32_t>(tagStart)};
    return f;
}

} // namespace

std::vector<Fragment> plainFragments(std::u16string_view text, int wpm, int pitch, double gain)
{
    std::vector<Fragment> out;
    FragmentBuilder b(out);
    for (size_t i = 0; i < text.size(); ++i)
        b.add(text[i], static_cast<uint32_t>(i));
    b.flush(static_cast<uint32_t>(text.size()), wpm, pitch, gain);
    return out;
}

bool parseSapi5Xml(std::u16string_view text, int baseRate, std::vector<Fragment>& out)
{
    std::vector<Fragment> result;
    FragmentBuilder b(result);
    XmlState state;
    struct Open {
        std::u16string name;
        XmlState saved;
    };
    std::vector<Open> open;
    auto flush = [&](size_t at) {
        b.flush(static_cast<uint32_t>(at), sapi5RateToWpm(baseRate + state.rate), sapi5PitchToEspeak(state.pitch),
                state.level / 100.0);
    };

    for (size_t i = 0; i < text.size();) {
        char16_t c = text[i];
        if (c == u'&') {
            size_t semi = text.find(u';', i);
            std::optional<char32_t> decoded;
            if (semi != std::u16string_view::npos && semi - i <= 10)
                decoded = decodeEntity(text.substr(i + 1, semi - i - 1));
            if (!decoded) { // a stray '&' is read as itself
                b.add(c, static_cast<uint32_t>(i++));
                continue;
            }
            if (*decoded >= 0x10000) {
                char32_t v = *decoded - 0x10000;
                b.add(static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<uint32_t>(i));
                b.add(static_cast<char16_t>(0xDC00 + (v & 0x3FF)), static_cast<uint32_t>(i));
            } else {
                b.add(static_cast<char16_t>(*decoded), static_cast<uint32_t>(i));
            }
            i = semi + 1;
            continue;
        }
        if (c != u'<') {
            b.add(c, static_cast<uint32_t>(i++));
            continue;
        }
        // Comments, processing instructions and declarations are skipped whole.
        std::u16string_view rest = text.substr(i);
        if (rest.starts_with(u"<!--")) {
            size_t end = text.find(u"-->", i + 4);
            if (end == std::u16string_view::npos)
                return false;
            i = end + 3;
            continue;
        }
        size_t end = findTagEnd(text, i + 1);
        if (end == std::u16string_view::npos)
            return false;
        std::u16string_view body = text.substr(i + 1, end - i - 1);
        size_t tagStart = i;
        i = end + 1;
        if (!body.empty() && (body[0] == u'?' || body[0] == u'!'))
            continue;
        Tag tag;
        if (!parseTag(body, tag))
            return false;
        flush(tagStart);
        if (tag.closing) {
            if (open.empty() || !equalsNoCase(open.back().name, tag.name))
                return false;
            state = open.back().saved;
            open.pop_back();
            continue;
        }
        if (!tag.empty)
            open.push_back({tag.name, state});

        const std::u16string* value = nullptr;
        auto number = [&](std::u16string_view name, std::optional<int64_t>& n) {
            value = attribute(tag, name);
            if (!value)
                return true;
            n = parseNumber(*value);
            return n.has_value();
        };
        std::optional<int64_t> absolute, relative;
        if (equalsNoCase(tag.name, u"pitch")) {
            if (!number(u"absmiddle", absolute) || !number(u"middle", relative))
                return false;
            if (absolute)
                state.pitch = clampInt(*absolute, -10, 10);
            if (relative)
                state.pitch = clampInt(state.pitch + *relative, -10, 10);
        } else if (equalsNoCase(tag.name, u"rate")) {
            if (!number(u"absspeed", absolute) || !number(u"speed", relative))
                return false;
            if (absolute)
                state.rate = clampInt(*absolute, -10, 10);
            if (relative)
                state.rate = clampInt(state.rate + *relative, -10, 10);
        } else if (equalsNoCase(tag.name, u"volume")) {
            if (!number(u"level", absolute))
                return false;
            if (absolute)
                state.level = clampInt(*absolute, 0, 100);
        } else if (equalsNoCase(tag.name, u"silence")) {
            if (!number(u"msec", absolute))
                return false;
            b.push(silenceAt(tagStart, absolute ? clampInt(*absolute, 0, 60000) : 0));
        } else if (equalsNoCase(tag.name, u"bookmark")) {
            std::u16string mark;
            uint32_t value = 0;
            if (const std::u16string* written = attribute(tag, u"mark")) {
                mark = *written;
                if (auto n = parseNumber(mark))
                    value = static_cast<uint32_t>(*n);
            }
            b.push(bookmarkAt(tagStart, std::move(mark), value));
        }
    }
    flush(text.size());
    out = std::move(result);
    return true;
}

bool parseSapi4Tagged(std::u16string_view text, Sapi4Settings settings, std::vector<Fragment>& out)
{
    std::vector<Fragment> result;
    FragmentBuilder b(result);
    double gain = 1.0;
    auto flush = [&](size_t at) {
        b.flush(static_cast<uint32_t>(at), static_cast<int>(settings.wpm),
                sapi4PitchToEspeak(settings.pitchHz, settings.female), gain);
    };
    for (size_t i = 0; i < text.size();) {
        if (text[i] != u'\\') {
            b.add(text[i], static_cast<uint32_t>(i));
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'\\') {
            b.add(u'\\', static_cast<uint32_t>(i));
            i += 2;
            continue;
        }
        size_t end = text.find(u'\\', i + 1);
        if (end == std::u16string_view::npos)
            return false;
        std::u16string_view body = text.substr(i + 1, end - i - 1);
        size_t tagStart = i;
        i = end + 1;
        size_t eq = body.find(u'=');
        std::u16string_view name = body.substr(0, eq);
        std::optional<int64_t> n;
        if (eq != std::u16string_view::npos)
            n = parseNumber(body.substr(eq + 1));
        flush(tagStart);
        if (!n)
            continue; // unknown or valueless tags are skipped
        if (equalsNoCase(name, u"spd")) {
            settings.wpm = sapi4ClampSpeed(*n);
        } else if (equalsNoCase(name, u"pit")) {
            settings.pitchHz = sapi4ClampPitch(*n, settings.female);
        } else if (equalsNoCase(name, u"vol")) {
            gain = clampInt(*n, 0, 65535) / 65535.0;
        } else if (equalsNoCase(name, u"pau")) {
            b.push(silenceAt(tagStart, clampInt(*n, 0, 60000)));
        } else if (equalsNoCase(name, u"mrk")) {
            b.push(bookmarkAt(tagStart, {}, static_cast<uint32_t>(*n)));
        }
    }
    flush(text.size());
    out = std::move(result);
    return true;
}

} // namespace platform
