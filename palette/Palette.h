// The Properties palette: the rows common to the selected drawing objects, grouped by
// category, each served by the editor control its property description names (or shown
// read-only as plain text when that editor is not built), with keyboard movement between
// rows, scrolling, a refresh of every row after each write, and the rows of points and
// vertices: one row a coordinate, each list's coordinate rows stepped by its vertex row.
#pragma once

#include "ControlSite.h"
#include "DkHostTest.h"

#include "Window.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dkpal
{
// What one row shows, as the palette dumps it.
struct RowDump
{
    std::wstring category;
    std::wstring name;
    std::wstring editor; // the editor class, or "(plain)" for a row the palette draws itself
    std::wstring text;   // the text shown
    std::wstring state;  // "value", "varies", "unspecified", with ", read-only" when it cannot change
    // A coordinate row: the element of a vertex it shows, for each object (the cookies its
    // control is given), and the elements of each vertex; empty and 0 for other rows.
    std::vector<LONG> cookies;
    int elementCount = 0;
    // A vertex row: the coordinate rows it steps, by name.
    std::vector<std::wstring> linked;
};

class Palette : public dkfw::WindowBase, public EventListener
{
public:
    static constexpr int kRowHeight = 20;

    Palette();
    ~Palette() override;

    bool Create(HWND parent, const RECT& rect);
    // Shows the rows of these entities: the rows are built anew, or, when the new objects
    // show the same rows, each control takes the new objects and keeps its window.
    void SetSelection(const std::vector<LONG_PTR>& ids);
    const std::vector<LONG_PTR>& Selection() const noexcept { return m_ids; }

    int RowCount() const noexcept { return static_cast<int>(m_rows.size()); }
    int FindRow(const std::wstring& name) const;
    // Makes a row the active one, as a click on it does; false for a plain row.
    bool ActivateRow(int row);
    void DeactivateRow();
    int ActiveRow() const noexcept { return m_active; }
    HWND RowWindow(int row) const;
    // The row's control, or null for a plain row; no reference is added.
    IDkPiPropertyEditControl2* RowControl(int row) const;
    bool IsPlain(int row) const;
    // Every row reads its value again.
    void RefreshAll();
    std::vector<RowDump> Dump();
    // The common value of a row's property as the palette reads it from the objects (the
    // varies text when they differ).
    std::wstring ValueText(int row);
    void SetStatusCallback(void (*callback)(void*), void* context) noexcept
    {
        m_statusCallback = callback;
        m_statusContext = context;
    }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
    void OnControlEvent(const Event& event) noexcept override;

private:
    struct Row;
    void ClearRows();
    std::vector<std::unique_ptr<Row>> DescribeRows() const;
    std::vector<DISPID> ReadOnlyProperties() const;
    void BindRow(Row& row, const std::vector<DISPID>& readOnly);
    dkpal::Selection SelectionOf(const Row& row) const;
    IClassFactory* FactoryOf(const std::wstring& progId);
    void CreateControl(size_t row);
    static void ConfigureCoordinates(const Row& row, IUnknown* control);
    void LinkVertexRows(bool unlink = false);
    void AfterEnter(int row);
    bool TakeNextRowRequest(int row) const;
    void Layout();
    RECT ValueRect(int row) const;
    int RowTop(int row) const;
    int RowAt(int y) const;
    void Paint();
    void Scroll(int to);
    void Move(int direction);
    void ReadCommon(Row& row);
    std::wstring DrawnText(Row& row);

    std::vector<LONG_PTR> m_ids;
    std::vector<std::unique_ptr<Row>> m_rows;
    std::map<std::wstring, dkfw::ComPtr<IClassFactory>> m_factories; // by progid; null: not registered
    dkfw::ComObject<PaletteFrame>* m_frame = nullptr;
    Ambient m_ambient;
    int m_active = -1;
    int m_scroll = 0;
    int m_contentHeight = 0;
    HFONT m_font = nullptr; // the ambient font's; the font object owns it
    void (*m_statusCallback)(void*) = nullptr;
    void* m_statusContext = nullptr;
};

// A PNG of a window as it shows on the screen (captured from its window DC).
HRESULT WriteWindowPng(HWND window, const wchar_t* path);
} // namespace dkpal
