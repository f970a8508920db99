// The program's string type, run through random sequences of operations on two strings and
// compared after every step with a model: std::wstring for the text, plus the capacity the
// growth rule promises (starts at 4096, grows to exactly what a text needs, never shrinks).
// Parts of a string are also assigned and appended to itself, where the source moves as it grows.
//
// Input: form byte, then operations (one byte each, followed by what the operation reads).

#include "shell/wide_string.h"

#include "fuzz_input.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

struct Model {
    std::wstring text;
    size_t capacity = WideString::InitialCapacity;

    void Set(const std::wstring& t) {
        text = t;
        capacity = std::max(capacity, text.size());
    }
};

// Every step compares both strings whole: keep them short enough for a fast run, still long
// enough for several growths past the first capacity.
constexpr size_t LengthLimit = size_t{1} << 14;
constexpr int StepLimit = 128;

void Check(const WideString& s, const Model& m) {
    FUZZ_CHECK(s.Length() == m.text.size() && s.Capacity() == m.capacity && s.Empty() == m.text.empty());
    FUZZ_CHECK(std::wmemcmp(s.c_str(), m.text.data(), m.text.size()) == 0 && s.c_str()[s.Length()] == L'\0');
}

class Session {
public:
    explicit Session(FuzzInput& input) : in_(input), raw_(input.RawForm()) {}

    void Run() {
        for (int step = 0; step < StepLimit && in_.Remaining() > 0; ++step) {
            const uint8_t op = in_.Byte();
            const int i = op & 1;
            Step(op >> 1, s_[i], m_[i], s_[1 - i], m_[1 - i]);
            Check(s_[0], m_[0]);
            Check(s_[1], m_[1]);
        }
    }

private:
    std::wstring Text() { return in_.Text(raw_, in_.Byte()); }
    bool Flag() { return (in_.Byte() & 1) != 0; }

    void Step(int code, WideString& s, Model& m, const WideString& other, const Model& otherModel) {
        switch (code % 8) {
        case 0: {  // assign or append a counted text (NULs kept, many copies at once) or a C string
            const bool append = Flag(), counted = Flag();
            std::wstring t = counted ? Text() : UpToNul(Text());
            const std::wstring unit = t;
            for (int n = counted ? in_.Byte() : 0; n > 0; --n) t += unit;
            if (append && m.text.size() + t.size() > LengthLimit) break;
            const wchar_t* text = t.empty() && Flag() ? nullptr : t.c_str();  // an empty C string may be null
            if (counted && append) s.Append(t.data(), t.size());
            else if (counted) s.Assign(t.data(), t.size());
            else if (append) s.Append(text);
            else s.Assign(text);
            m.Set(append ? m.text + t : t);
            break;
        }
        case 1: {  // append the other string, or the string to itself
            const bool itself = Flag();
            const std::wstring added = itself ? m.text : otherModel.text;
            if (m.text.size() + added.size() > LengthLimit) break;
            s.Append(itself ? s : other);
            m.Set(m.text + added);
            break;
        }
        case 2: {  // assign or append a part of itself
            const bool append = Flag();
            const size_t offset = in_.Uint16() % (m.text.size() + 1);
            const size_t length = in_.Uint16() % (m.text.size() - offset + 1);
            const std::wstring part = m.text.substr(offset, length);
            if (m.text.size() + part.size() > LengthLimit) break;
            if (append) s.Append(s.c_str() + offset, length);
            else s.Assign(s.c_str() + offset, length);
            m.Set(append ? m.text + part : part);
            break;
        }
        case 3: {
            const size_t length = in_.Uint16() * size_t{4};
            s.Reserve(length);
            m.capacity = std::max(m.capacity, length);
            break;
        }
        case 4: {  // written into the buffer by an API, then the length set (past the buffer: cut)
            const size_t length = in_.Uint16() % (s.Capacity() + 1);
            const wchar_t fill = in_.Unit(raw_);
            for (size_t i = 0; i < length; ++i) s.Data()[i] = static_cast<wchar_t>(static_cast<uint32_t>(fill) + i % 7);
            m.text.assign(s.c_str(), length);
            s.SetLength(length == s.Capacity() ? length + in_.Byte() : length);
            break;
        }
        case 5:  // clear, or wipe the whole buffer
            if (Flag()) {
                s.Wipe();
                for (size_t i = 0; i <= s.Capacity(); ++i) FUZZ_CHECK(s.c_str()[i] == L'\0');
            } else {
                s.Clear();
            }
            m.text.clear();
            break;
        case 6: {  // a copy, assignment to itself, and of the other string
            const WideString copy(s);
            Check(copy, Model{m.text, std::max(WideString::InitialCapacity, m.text.size())});
            const WideString& same = s;
            s = same;
            if (Flag()) {
                s = other;
                m.Set(otherModel.text);
            }
            break;
        }
        default: {  // comparisons, and construction from a counted text and from a C string
            const std::wstring t = in_.Text(raw_, in_.Byte()), c = UpToNul(t);
            FUZZ_CHECK(s.Equals(c.c_str()) == (m.text == c) && (s == c.c_str()) == (m.text == c));
            FUZZ_CHECK(s.Equals(nullptr) == m.text.empty() && (s == other) == (m.text == otherModel.text));
            Check(WideString(t.data(), t.size()), Model{t, WideString::InitialCapacity});
            Check(WideString(c.c_str()), Model{c, WideString::InitialCapacity});
        }
        }
    }

    FuzzInput& in_;
    const bool raw_;
    WideString s_[2];
    Model m_[2];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Session(input).Run();
    return 0;
}
