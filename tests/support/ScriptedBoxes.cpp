#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

ScriptedBoxes::ScriptedBoxes() { SetBoxResponder(this); }

ScriptedBoxes::~ScriptedBoxes()
{
    SetBoxResponder(nullptr);
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " expected message box(es) never shown";
}

void ScriptedBoxes::Expect(bool answer) { m_answers.push_back(answer); }

bool ScriptedBoxes::Answer(const BoxRecord& box)
{
    m_shown.push_back(box);
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << box.text.toStdString();
        return !box.question;
    }
    bool a = m_answers.front();
    m_answers.pop_front();
    return a;
}
