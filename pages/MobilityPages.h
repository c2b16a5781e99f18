#pragma once
#include "pages/ConfigPage.h"
#include "pages/CharSetEdit.h"
#include "res/RoutingPagesIds.h"
#include <vector>

// Mobility extension entry fields (MobilityExtInterface, MobilityExtMode).
enum MobilityExtMode : uint8_t
{
    MOBILITY_ALWAYS = 255,
    MOBILITY_DURING_WH = 1,
    MOBILITY_OUTSIDE_WH = 2,
};
constexpr int MOBILITY_NUMBER_COUNT = 3;
constexpr size_t MOBILITY_NUMBER_SIZE = 23; // a CountedString of up to 22 digits

// The fields of a stored entry, bounded by their record fields.
uint8_t MobilityInterface(const MobilityExtEntry& e); // 0xFF read as 'A'
void MobilityExtension(const MobilityExtEntry& e, char* out);             // 24 bytes
void MobilityNumber(const MobilityExtEntry& e, int k, char* out);         // 23 bytes
uint8_t MobilityMode(const MobilityExtEntry& e, int k);
// An entry from its parts: numbers without a text are left out; the rest 0xFF.
MobilityExtEntry MakeMobilityEntry(uint8_t iface, const char* extension, const char* const numbers[3],
                                   const uint8_t modes[3]);
// The mode a number shows: during or outside working hours, else always.
uint8_t MobilityShownMode(uint8_t mode);
// An entry as its row shows it and the page stores it: interface (0xFF as
// 'A'), extension, the used numbers in order with their shown modes, the
// rest 0xFF.
MobilityExtEntry MobilityEntryAsShown(const MobilityExtEntry& e);
// The list order: interface, then extension byte-wise.
int CompareMobility(const MobilityExtEntry& a, const MobilityExtEntry& b);
// The numbers column: "123-During, 456" in the current language.
void FormatMobilityNumbers(const MobilityExtEntry& e, char* out, size_t size);

// Extensions that ring up to three further numbers, always or by working hours.
class CMobilityExtPage : public CConfigPage<CMobilityExtPage>
{
public:
    enum { IDD = IDD_MOBILITY };
    explicit CMobilityExtPage(ConfigRecord* record) : CConfigPage<CMobilityExtPage>(record) {}

    // The table, written whole in list order.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->mobility));
    }

    const std::vector<MobilityExtEntry>& Rows() const { return m_rows; }

    BEGIN_MSG_MAP(CMobilityExtPage)
        CHAIN_MSG_MAP(CConfigPage<CMobilityExtPage>)
        COMMAND_ID_HANDLER(IDC_LIST_ADD, OnAddOrChange)
        COMMAND_ID_HANDLER(IDC_LIST_CHANGE, OnAddOrChange)
        COMMAND_ID_HANDLER(IDC_LIST_DELETE, OnDelete)
        NOTIFY_HANDLER(IDC_MOB_LIST, LVN_ITEMCHANGED, OnItemChanged)
    END_MSG_MAP()

protected:
    LayoutRules_t LayoutRules() const override;
    void OnInitControls() override;
    void OnStored() override;
    void OnTextsChanged() override;

private:
    std::vector<MobilityExtEntry> m_rows; // row i of the list

    HWND List() const { return GetDlgItem(IDC_MOB_LIST); }
    void FillCombos();
    void SetColumns();
    int InsertRow(const MobilityExtEntry& e);
    void SetRow(int row, bool insert);
    LRESULT OnAddOrChange(WORD, WORD id, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
};

// One time of a working-hours entry as stored: hour and minute.
struct WorkingTime
{
    uint8_t hour;
    uint8_t minute;
};
// The time a picker shows for a stored entry: 0:00 for an unset or impossible one.
WorkingTime ShownWorkingTime(WorkingTime stored);
// A day's four times as the pickers give them, made ready to store: an
// interval 0:00-0:00 becomes unset (255/255). Returns the first entry that is
// not later than the one before it, or -1 when the day is in order.
int PrepareWorkingDay(WorkingTime times[4]);

// The week's working hours and the holidays.
class CWorkingHoursPage : public CConfigPage<CWorkingHoursPage>
{
public:
    enum { IDD = IDD_WORKING_HOURS };
    explicit CWorkingHoursPage(ConfigRecord* record) : CConfigPage<CWorkingHoursPage>(record) {}

    // The days and holidays, written whole.
    void OwnWrites(std::vector<ByteRun>& runs) const override
    {
        runs.push_back(RunOf(m_pRecord, m_pRecord->workingHours));
    }

    struct Holiday
    {
        uint8_t day;
        uint8_t month;
    };
    const std::vector<Holiday>& Holidays() const { return m_holidays; }
    // The list text of a holiday in the language's date format (any day of
    // any month, 29 February included).
    static void FormatHoliday(const Holiday& h, char* out, size_t size);

    BEGIN_MSG_MAP(CWorkingHoursPage)
        CHAIN_MSG_MAP(CConfigPage<CWorkingHoursPage>)
        COMMAND_ID_HANDLER(IDC_LIST_ADD, OnAddOrChange)
        COMMAND_ID_HANDLER(IDC_LIST_CHANGE, OnAddOrChange)
        COMMAND_ID_HANDLER(IDC_LIST_DELETE, OnDelete)
        COMMAND_HANDLER(IDC_WH_HOLIDAYS, LBN_SELCHANGE, OnSelected)
    END_MSG_MAP()

protected:
    void OnInitControls() override;
    bool OnValidate() override;
    void OnStored() override;

private:
    std::vector<Holiday> m_holidays; // line i of the list

    HWND List() const { return GetDlgItem(IDC_WH_HOLIDAYS); }
    void ReadDay(int day, WorkingTime times[4]) const;
    void SetPickerDate(const Holiday& h);
    int InsertHoliday(const Holiday& h);
    LRESULT OnAddOrChange(WORD, WORD id, HWND, BOOL&);
    LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
    LRESULT OnSelected(WORD, WORD, HWND, BOOL&);
};
