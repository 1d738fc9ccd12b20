// The SQL texts of the word store. They are run as they stand, tabs and
// runs of spaces included: the due-for-review and learn selections carry
// the trainer's whole schedule, and files and habits have grown around
// them.
#pragma once

namespace studyqueries {

// Due for review: the due day (Date + MemoryCycle days) is today or
// earlier, and the card was not studied today.
constexpr const char* kReviewList =
    "SELECT * FROM Words \t\t                 WHERE DateDiff(\"d\", DateAdd(\"d\", MemoryCycle, Date), now())>=0  AND "
    "\t\t\t\t\t\t ( YEAR(Date) <> YEAR(Now()) OR MONTH(Date) <> MONTH(Now()) OR DAY(Date) <> DAY(Now()) )";

// Learned today: taken into study or forgotten today.
constexpr const char* kLearnList =
    "SELECT * FROM Words \t\t                 WHERE \t\t\t\t\t\t YEAR(Date) = YEAR(Now()) AND MONTH(Date) = "
    "MONTH(Now()) AND DAY(Date) = DAY(Now()) AND \t\t\t\t\t\t MemoryCycle = 1";

// %1: the word, its apostrophes doubled.
constexpr const char* kNewWordLookup = "SELECT * FROM NewWords WHERE Word = '%1'";

// %1: how many new words to take into study.
constexpr const char* kFirstNewWords = "SELECT Top %1 * FROM NewWords";

// The recordset that new cards are appended through. It selects no row:
// the append needs only the table's fields, and fetching every card in
// study (a million, for a long-time user) would cost seconds and the
// memory of the whole table on every "Add".
constexpr const char* kAppendTarget = "SELECT * FROM Words WHERE False";

}  // namespace studyqueries
