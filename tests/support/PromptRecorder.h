#pragma once

#include "OperatorPrompt.h"

#include <QList>

// Answers every message box for the test and keeps what each one showed.
class PromptRecorder
{
public:
    // answer: a button index for boxes with captioned buttons, a StandardButton otherwise.
    explicit PromptRecorder(int answer = 0);
    ~PromptRecorder();

    int answer;
    QList<PromptRequest> shown;
};
