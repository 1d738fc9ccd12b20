// The SQL texts of the word store. They are run as they stand, tabs and
// runs of spaces included: the due-for-review and learn selections carry
// the trainer's whole schedule, and files and habits have grown around
// them.
#pragma once

namespace studyqueries {

constexpr const char* kConnectionFormat = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;";

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

constexpr const char* kAppendTarget = "SELECT * FROM Words";

}  // namespace studyqueries
