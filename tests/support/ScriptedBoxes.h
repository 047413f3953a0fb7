#pragma once
// Answers message boxes from a script while a test runs, records every box shown, and
// fails the test on a box nobody expected (instead of blocking it).

#include "MessageBox.h"

#include <deque>
#include <vector>

class ScriptedBoxes : public IBoxResponder {
public:
    ScriptedBoxes();
    ~ScriptedBoxes() override;

    // Queues the answer for the next box: true for OK/Yes, false for No.
    void Expect(bool answer = true);
    bool Answer(const BoxRecord& box) override;

    const std::vector<BoxRecord>& Shown() const { return m_shown; }
    QString LastText() const { return m_shown.empty() ? QString() : m_shown.back().text; }
    size_t Pending() const { return m_answers.size(); }
    void Clear() { m_shown.clear(); }

private:
    std::deque<bool> m_answers;
    std::vector<BoxRecord> m_shown;
};
