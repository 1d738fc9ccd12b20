// How the collection stands, read from the data file at the clock's today:
// the new words, the words in study, those due today and learned today (the
// trainer's own review and learn selections), the words per review interval
// (1, 2, 4, ... days; an interval between two powers of two counts with the
// lower), and how many words fall due on each of the next 30 days.
#pragma once

#include <QString>
#include <array>
#include <vector>

class CWordStore;

struct CollectionStats {
    static constexpr int kForecastDays = 30;

    long newWords = 0;
    long inStudy = 0;
    long dueToday = 0;
    long learnedToday = 0;
    // (interval in days, words), intervals rising: 1, 2, 4, ... up to the
    // longest interval held, every power of two in between listed.
    std::vector<std::pair<long, long>> perInterval;
    // dueOnDay[k] is the number of words that first fall due k + 1 days
    // from today.
    std::array<long, kForecastDays> dueOnDay {};
};

// Opens the store's data file, reads the figures and closes it. Throws
// WordListError naming the data file when it cannot.
CollectionStats ReadCollectionStats(CWordStore& store);
