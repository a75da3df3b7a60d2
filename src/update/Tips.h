#pragma once
// The success tips: the lines of SuccessTips.txt, shown one at a time in the main window's tip line.
#include <stdexcept>
#include <string>
#include <vector>

// The tip line's text at start-up and whenever there are no tips:
// "一生的去向，在你下定决心的那一刻便已写定。--林远舟".
inline constexpr char kBuiltInTip[] = "\xd2\xbb\xc9\xfa\xb5\xc4\xc8\xa5\xcf\xf2\xa3\xac\xd4\xda\xc4\xe3\xcf\xc2\xb6\xa8"
                                      "\xbe\xf6\xd0\xc4\xb5\xc4\xc4\xc7\xd2\xbb\xbf\xcc\xb1\xe3\xd2\xd1\xd0\xb4\xb6\xa8"
                                      "\xa1\xa3--\xc1\xd6\xd4\xb6\xd6\xdb";

inline constexpr int kMaxTipLines = 101;
inline constexpr std::size_t kMaxTipBytes = 86;

// A tips file that exists but cannot be opened or read; the tips read before the fault stay in the list.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char kTipsFileName[] = "SuccessTips.txt";

// Reads a tips file into list: at most 101 entries of at most 86 GBK bytes each. A missing file leaves list
// unchanged. Throws EInOutError as described above.
void LoadTipsFile(const std::string& path, std::vector<std::string>& list);

// The text for the tip line from list, advancing index (which wraps; one out of range starts again at 0).
std::string NextTip(const std::vector<std::string>& list, int& index);

// The tips the main window rotates: filled once at start-up, advanced by tmrTips.
class TTips {
public:
    // Start-up's first step: no tips, the first one next.
    void Reset();
    // Fills the list from the tips file (LoadTipsFile).
    void Load(const std::string& path);
    // The handler of tmrTips: the text for the tip line, advancing the index.
    std::string ShowNextTip();

    const std::vector<std::string>& List() const { return tipList_; }
    int NextIndex() const { return nextIndex_; }

private:
    std::vector<std::string> tipList_;
    int nextIndex_ = 0;
};
