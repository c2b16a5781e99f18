#pragma once
#include "pages/DataTreeItems.h"
#include "comm/EngineStatus.h"
#include "wcl/Win.h"
#include <cstddef>

class IDiagPage;
class IDiagEngine;
struct DiagNode;

// The nodes of the diagnostics tree. The numbers are the items' data in the
// tree and are kept as they are.
enum DiagNodeKind : int
{
    DiagNodeNone = -1,
    DiagNodeRoot = 0,
    DiagNodeIsdnLines = 11,
    DiagNodeIsdnCredit = 12,
    DiagNodeCards = 21,
    DiagNodeGsmCredits = 22,
    DiagNodeGsmUsage = 23,
    DiagNodeGsmStatistics = 24,
    DiagNodeVoip = 31,
};

// The diagnostics requests of the engine, by what they ask the device.
enum DiagRequest : int
{
    DIAG_REQ_NONE = 0,
    DIAG_REQ_ISDN_LINES = 1,
    DIAG_REQ_ISDN_CREDIT = 2,
    DIAG_REQ_CARDS = 10,
    DIAG_REQ_GSM_CREDIT = 11,
    DIAG_REQ_GSM_USAGE = 12,
    DIAG_REQ_GSM_STATISTICS = 13,
    DIAG_REQ_VOIP = 20,
};

// The answer status of a node that does not poll.
const EngineStatus kNoAnswerStatus = EngineStatus(0);

enum DiagNodeFlags : unsigned
{
    DNF_REDRAWS_FROM_CACHE = 0x01, // filled from the stored answer when created and when the tab is entered
    DNF_OWN_TEXTS = 0x02,          // builds texts of its own: redrawn after a language change
    DNF_POLLS_HIDDEN = 0x04,       // keeps polling while another tab is shown (the usage graph)
    DNF_WATCHDOG = 0x08,           // a 5-second answer watchdog instead of the answered flag
    DNF_BOX_PER_REQUEST = 0x10,    // raises the box again only after a new unanswered request
    DNF_PAUSED_BY_MODULE_INFO = 0x20, // stops while a module information request runs
    DNF_TRANSLATED = 0x40,         // its template's texts are keys, translated keeping them
};

// Makes the page of a node (not yet created); null when out of memory.
typedef IDiagPage* (*DiagPageFactory)(const DiagNode& node, IDiagEngine& engine);

// One node of the diagnostics tree: its title, its page and how the page
// asks the device. Tree building, page creation and the routing of the
// engine's answers all read these rows.
struct DiagNode
{
    DiagNodeKind id;
    const char* titleKey;
    TreeImage image;
    TreeImage selectedImage;
    DiagPageFactory factory;
    const char* textKey;          // a text page: the key of the text it shows
    DiagRequest request;          // DIAG_REQ_NONE: the node does not poll
    int startIndex;               // index of the first request (-1: the engine reads 0)
    EngineStatus answerStatus;    // the engine status that brings the answer
    DWORD (*period)();            // timer period in ms, read when polling starts
    unsigned flags;               // DiagNodeFlags

    bool Polls() const { return request != DIAG_REQ_NONE; }
    bool Has(unsigned flag) const { return (flags & flag) != 0; }
};

// The nodes in build order: the root first, then its children.
const DiagNode* GetDiagNodes(size_t* count);
const DiagNode* FindDiagNode(int id);
// The node whose answer an engine status brings, or null.
const DiagNode* FindDiagNodeByAnswer(int status);
// Replaces the whole table (tests); null restores the program's own.
void SetDiagNodesForTest(const DiagNode* nodes, size_t count);
