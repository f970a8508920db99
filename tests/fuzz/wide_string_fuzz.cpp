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

    void Need(size_t length) { capacity = std::max(capacity, length); }
};

// Keep each run fast (every step compares both strings whole): still long enough for several
// growths past the first capacity.
constexpr size_t LengthLimit = size_t{1} << 14;
constexpr int StepLimit = 128;

void Check(const WideString& s, const Model& m) {
    FUZZ_CHECK(s.Length() == m.text.size());
    FUZZ_CHECK(s.Capacity() == m.capacity);
    FUZZ_CHECK(s.Empty() == m.text.empty());
    FUZZ_CHECK(std::wmemcmp(s.c_str(), m.text.data(), m.text.size()) == 0);
    FUZZ_CHECK(s.c_str()[s.Length()] == L'\0');
}

class Session {
public:
    explicit Session(FuzzInput& input) : input_(input), form_(input.Form()) {}

    void Run() {
        for (int step = 0; step < StepLimit && input_.Remaining() > 0; ++step) {
            const uint8_t op = input_.Byte();
            const bool second = (op & 1) != 0;
            WideString& s = second ? b_ : a_;
            Model& m = second ? mb_ : ma_;
            const WideString& other = second ? a_ : b_;
            const Model& otherModel = second ? ma_ : mb_;
            Step(op >> 1, s, m, other, otherModel);
            Check(a_, ma_);
            Check(b_, mb_);
        }
    }

private:
    void Step(int code, WideString& s, Model& m, const WideString& other, const Model& otherModel) {
        switch (code % 17) {
        case 0: {  // Assign a C string (or null)
            const std::wstring t = UpToNul(input_.ShortText(form_));
            s.Assign(t.empty() && (input_.Byte() & 1) ? nullptr : t.c_str());
            m.text = t;
            m.Need(t.size());
            break;
        }
        case 1: {  // Assign counted text, NULs included
            const std::wstring t = input_.ShortText(form_);
            s.Assign(t.data(), t.size());
            m.text = t;
            m.Need(t.size());
            break;
        }
        case 2: {  // Append a C string (or null)
            const std::wstring t = UpToNul(input_.ShortText(form_));
            if (m.text.size() + t.size() > LengthLimit) break;
            s.Append(t.empty() && (input_.Byte() & 1) ? nullptr : t.c_str());
            m.text += t;
            m.Need(m.text.size());
            break;
        }
        case 3: {  // Append counted text, many copies of it at once
            const std::wstring unit = input_.ShortText(form_);
            const size_t copies = input_.Byte() + size_t{1};
            if (m.text.size() + copies * unit.size() > LengthLimit) break;
            std::wstring t;
            for (size_t i = 0; i < copies; ++i) t += unit;
            s.Append(t.data(), t.size());
            m.text += t;
            if (!t.empty()) m.Need(m.text.size());
            break;
        }
        case 4:  // Append the other string
            if (m.text.size() + otherModel.text.size() > LengthLimit) break;
            s.Append(other);
            m.text += otherModel.text;
            if (!otherModel.text.empty()) m.Need(m.text.size());
            break;
        case 5:  // Append the string to itself
            if (2 * m.text.size() > LengthLimit) break;
            s.Append(s);
            m.text += m.text;
            if (!m.text.empty()) m.Need(m.text.size());
            break;
        case 6: {  // Assign a part of itself
            const size_t offset = input_.Uint16() % (m.text.size() + 1);
            const size_t length = input_.Uint16() % (m.text.size() - offset + 1);
            s.Assign(s.c_str() + offset, length);
            m.text = m.text.substr(offset, length);
            break;
        }
        case 7: {  // Append a part of itself
            const size_t offset = input_.Uint16() % (m.text.size() + 1);
            const size_t length = input_.Uint16() % (m.text.size() - offset + 1);
            s.Append(s.c_str() + offset, length);
            m.text += m.text.substr(offset, length);
            if (length) m.Need(m.text.size());
            break;
        }
        case 8: {
            const size_t length = input_.Uint16() * size_t{4};
            s.Reserve(length);
            m.Need(length);
            break;
        }
        case 9:  // Written into the buffer by an API, then the length fixed
            WriteThenSetLength(s, m);
            break;
        case 10: {  // Cut short
            const size_t length = input_.Uint16() % (m.text.size() + 1);
            s.SetLength(length);
            m.text.resize(length);
            break;
        }
        case 11:
            s.Clear();
            m.text.clear();
            break;
        case 12: {
            s.Wipe();
            m.text.clear();
            for (size_t i = 0; i <= s.Capacity(); ++i) FUZZ_CHECK(s.c_str()[i] == L'\0');
            break;
        }
        case 13: {  // Copies, and assignment between the two strings and to itself
            const WideString copy(s);
            Check(copy, Model{m.text, std::max(WideString::InitialCapacity, m.text.size())});
            FUZZ_CHECK(copy == s);
            WideString& self = s;
            s = self;
            s = copy;
            break;
        }
        case 14: {  // The other string assigned to this one
            s = other;
            m.text = otherModel.text;
            m.Need(m.text.size());
            break;
        }
        case 15: {  // Comparisons
            const std::wstring t = UpToNul(input_.ShortText(form_));
            FUZZ_CHECK(s.Equals(t.c_str()) == (m.text == t));
            FUZZ_CHECK((s == t.c_str()) == (m.text == t));
            FUZZ_CHECK(s.Equals(nullptr) == m.text.empty());
            FUZZ_CHECK((s == other) == (m.text == otherModel.text));
            if (m.text.find(L'\0') == std::wstring::npos) FUZZ_CHECK(s.Equals(m.text.c_str()));
            break;
        }
        case 16: {  // Construction from text
            const std::wstring t = input_.ShortText(form_);
            const WideString counted(t.data(), t.size());
            Check(counted, Model{t, WideString::InitialCapacity});
            const std::wstring c = UpToNul(t);
            const WideString terminated(c.c_str());
            Check(terminated, Model{c, WideString::InitialCapacity});
            break;
        }
        }
    }

    void WriteThenSetLength(WideString& s, Model& m) {
        const size_t length = input_.Uint16() % (s.Capacity() + 1);
        const wchar_t fill = input_.Unit(form_);
        wchar_t* buffer = s.Data();
        for (size_t i = 0; i < length; ++i)
            buffer[i] = static_cast<wchar_t>(static_cast<uint32_t>(fill) + i % 7);
        m.text.assign(buffer, length);
        // A length past the buffer is cut to what it holds.
        s.SetLength(length == s.Capacity() ? length + input_.Byte() : length);
    }

    FuzzInput& input_;
    const TextForm form_;
    WideString a_, b_;
    Model ma_, mb_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Session session(input);
    session.Run();
    return 0;
}
