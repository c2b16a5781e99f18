#pragma once
#include "pages/DataTreeItems.h"
#include <vector>

namespace testsupport
{
// The configuration view runs on a copy of the program's item table in which
// a test replaces pages, sections or flags, or adds items of its own; the
// program's table is back when the copy goes.
class ScopedDataTreeItems
{
public:
    ScopedDataTreeItems()
    {
        size_t count = 0;
        const DataTreeItem* items = GetDataTreeItems(&count);
        rows.assign(items, items + count);
        original = rows;
        Apply();
    }
    ~ScopedDataTreeItems() { SetDataTreeItemsForTest(nullptr, 0); }

    DataTreeItem& Row(int id)
    {
        for (DataTreeItem& row : rows)
            if (row.id == id)
                return row;
        rows.push_back(DataTreeItem());
        return rows.back();
    }
    const DataTreeItem* Original(int id) const
    {
        for (const DataTreeItem& row : original)
            if (row.id == id)
                return &row;
        return nullptr;
    }
    // Installs the rows as they are now (after changes or additions).
    void Apply() { SetDataTreeItemsForTest(rows.data(), rows.size()); }

    std::vector<DataTreeItem> rows;
    std::vector<DataTreeItem> original;
};
}

#include "pages/ConfigPage.h"
namespace testsupport
{
// A page of a test's own: a layout page from template T::IDD whose Store the
// test writes.
template <class T>
class CTestPage : public CLayoutPage<T>, public IConfigPage
{
public:
    explicit CTestPage(ConfigRecord* record) : m_pRecord(record) {}
    CMessageMapWindow& Window() override { return *this; }
    HWND Create(HWND parent) override { return CLayoutPage<T>::Create(parent); }
    int Store() override { return 1; }
    void OnLanguageChanged() override {}
    void OwnWrites(std::vector<ByteRun>&) const override {}

    BEGIN_MSG_MAP(CTestPage)
        CHAIN_MSG_MAP(CLayoutPage<T>)
    END_MSG_MAP()

protected:
    ConfigRecord* m_pRecord;
};
}
