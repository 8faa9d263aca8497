// The host's calculator: an arithmetic evaluator over the drawing's units and the small
// dialog that asks for an expression. The scripted user answers it when answers are queued.
#include "Calculator.h"

#include "InputDialog.h"
#include "Journal.h"
#include "dked.h"
#include "dkunits.h"

#include <windows.h>

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace dkhost
{
bool NextAnswer(std::wstring& answer);

namespace
{
struct Quantity
{
    double value = 0;
    int lengthPower = 0;
};

// Recursive descent over the text; operands are runs of anything but the operators.
class Parser
{
public:
    explicit Parser(const std::wstring& text) : m_text(text) {}

    bool Parse(Quantity& q, std::wstring& error)
    {
        if (!Sum(q) || (Skip(), m_pos != m_text.size()))
        {
            error = m_error.empty() ? L"Unexpected text at \"" + m_text.substr(std::min(m_pos, m_text.size())) + L"\""
                                    : m_error;
            return false;
        }
        return true;
    }

private:
    void Skip()
    {
        while (m_pos < m_text.size() && std::iswspace(m_text[m_pos]))
            ++m_pos;
    }
    bool Peek(wchar_t c)
    {
        Skip();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }
    bool Sum(Quantity& q)
    {
        if (!Product(q))
            return false;
        while (Peek(L'+') || Peek(L'-'))
        {
            const wchar_t op = m_text[m_pos++];
            Quantity r;
            if (!Product(r))
                return false;
            if (r.lengthPower != q.lengthPower && q.value != 0 && r.value != 0)
                return Fail(L"A distance and a plain number cannot be added");
            q.lengthPower = std::max(q.lengthPower, r.lengthPower);
            q.value = op == L'+' ? q.value + r.value : q.value - r.value;
        }
        return true;
    }
    bool Product(Quantity& q)
    {
        if (!Unary(q))
            return false;
        while (Peek(L'*') || Peek(L'/'))
        {
            const wchar_t op = m_text[m_pos++];
            Quantity r;
            if (!Unary(r))
                return false;
            if (op == L'/' && r.value == 0)
                return Fail(L"Division by zero");
            q.value = op == L'*' ? q.value * r.value : q.value / r.value;
            q.lengthPower += op == L'*' ? r.lengthPower : -r.lengthPower;
        }
        return true;
    }
    bool Unary(Quantity& q)
    {
        // Every parenthesis and sign goes one level deeper: a long run of them is refused
        // before it overflows the stack.
        if (m_depth >= kMaxDepth)
            return Fail(L"The expression is nested too deeply");
        ++m_depth;
        const bool ok = NestedUnary(q);
        --m_depth;
        return ok;
    }
    bool NestedUnary(Quantity& q)
    {
        if (Peek(L'-') || Peek(L'+'))
        {
            const bool minus = m_text[m_pos++] == L'-';
            if (!Unary(q))
                return false;
            if (minus)
                q.value = -q.value;
            return true;
        }
        if (Peek(L'('))
        {
            ++m_pos;
            if (!Sum(q))
                return false;
            if (!Peek(L')'))
                return Fail(L"A closing parenthesis is missing");
            ++m_pos;
            return true;
        }
        return Number(q);
    }
    bool Number(Quantity& q)
    {
        Skip();
        const size_t start = m_pos;
        while (m_pos < m_text.size() && !std::wcschr(L"+-*/()", m_text[m_pos]))
            ++m_pos;
        // A feet-and-inches distance keeps its dash ("1'-6\"").
        if (m_pos < m_text.size() && m_text[m_pos] == L'-' && m_pos > start && m_text[m_pos - 1] == L'\'')
        {
            ++m_pos;
            while (m_pos < m_text.size() && !std::wcschr(L"+-*/()", m_text[m_pos]))
                ++m_pos;
        }
        // A fraction inside a distance ("6 1/2\"") keeps its slash.
        while (m_pos < m_text.size() && m_text[m_pos] == L'/' && m_pos + 1 < m_text.size() &&
               std::iswdigit(m_text[m_pos + 1]) && m_pos > start && std::iswdigit(m_text[m_pos - 1]) &&
               m_text.find_first_of(L"\"'", m_pos) != std::wstring::npos)
        {
            ++m_pos;
            while (m_pos < m_text.size() && !std::wcschr(L"+-*/()", m_text[m_pos]))
                ++m_pos;
        }
        std::wstring token = m_text.substr(start, m_pos - start);
        while (!token.empty() && std::iswspace(token.back()))
            token.pop_back();
        if (token.empty())
            return Fail(L"A number is missing");
        // An area with its unit: "66.75 sq ft" is 9612 square inches.
        static const struct
        {
            const wchar_t* unit;
            double squareInches;
        } areas[] = {{L"sq ft", 144}, {L"sq in", 1}};
        for (const auto& area : areas)
        {
            const size_t n = std::wcslen(area.unit);
            if (token.size() <= n || token.compare(token.size() - n, n, area.unit) != 0)
                continue;
            std::wstring number = token.substr(0, token.size() - n);
            while (!number.empty() && std::iswspace(number.back()))
                number.pop_back();
            if (dkdbDisToF(number.c_str(), 2, &q.value) != RTNORM)
                return Fail(L"\"" + token + L"\" is not an area");
            q.value *= area.squareInches;
            q.lengthPower = 2;
            return true;
        }
        if (dkdbDisToF(token.c_str(), -1, &q.value) != RTNORM &&
            dkdbDisToF(token.c_str(), token.find_first_of(L"'\"") != std::wstring::npos ? 4 : 2, &q.value) != RTNORM)
            return Fail(L"\"" + token + L"\" is not a number");
        q.lengthPower = token.find_first_of(L"'\"") != std::wstring::npos ? 1 : 0;
        return true;
    }
    bool Fail(std::wstring why)
    {
        if (m_error.empty())
            m_error = std::move(why);
        return false;
    }

    static constexpr int kMaxDepth = 256;

    const std::wstring& m_text;
    size_t m_pos = 0;
    int m_depth = 0;
    std::wstring m_error;
};

std::vector<std::wstring> SplitCommas(const std::wstring& text)
{
    std::vector<std::wstring> parts(1);
    int depth = 0;
    for (wchar_t c : text)
    {
        depth += c == L'(' ? 1 : c == L')' ? -1 : 0;
        if (c == L',' && depth == 0)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

} // namespace

bool EvaluateCalculatorEntry(const std::wstring& text, CalculatorResult& result, std::wstring& error)
{
    std::wstring trimmed = text;
    while (!trimmed.empty() && std::iswspace(trimmed.back()))
        trimmed.pop_back();
    if (trimmed.find_first_not_of(L" \t") == std::wstring::npos)
    {
        result.kind = 3;
        return true;
    }
    const std::vector<std::wstring> parts = SplitCommas(trimmed);
    if (parts.size() > 3)
    {
        error = L"A point has at most three coordinates";
        return false;
    }
    Quantity values[3];
    for (size_t i = 0; i < parts.size(); ++i)
        if (!Parser(parts[i]).Parse(values[i], error))
            return false;
    if (parts.size() > 1)
    {
        result.kind = 0;
        for (size_t i = 0; i < 3; ++i)
            result.point[i] = i < parts.size() ? values[i].value : 0;
        return true;
    }
    if (!std::isfinite(values[0].value))
    {
        error = L"The result is not a finite number";
        return false;
    }
    result.real = values[0].value;
    result.unit = DkCalCompoundUnit(values[0].lengthPower);
    result.kind = values[0].lengthPower == 0 ? 1 : 2;
    return true;
}
} // namespace dkhost

bool dkcalInvokeDialog(CalculatorResult* result, const wchar_t* title, const wchar_t* input, bool editable) noexcept
try
{
    using namespace dkhost;
    if (!result)
        return false;
    const std::wstring in = input ? input : L"";
    JournalAdd(L"calculator \"" + std::wstring(title ? title : L"") + L"\" input \"" + in + L"\"" +
               (editable ? L"" : L" read-only"));
    std::wstring answer;
    if (NextAnswer(answer))
    {
        if (answer == L"cancel" || !editable)
            return false;
        std::wstring error;
        if (!EvaluateCalculatorEntry(answer, *result, error))
        {
            JournalAdd(L"calculator refused \"" + answer + L"\": " + error);
            return false;
        }
        return true;
    }
    return RunInputDialog(title ? title : L"", in, editable,
                          [result](const std::wstring& text, std::wstring& error)
                          { return EvaluateCalculatorEntry(text, *result, error); });
}
catch (...)
{
    return false;
}
