#include "PromptRecorder.h"

PromptRecorder::PromptRecorder(int answer) : answer(answer)
{
    OperatorPrompt::setResponder([this](const PromptRequest& request) {
        shown << request;
        return this->answer;
    });
}

PromptRecorder::~PromptRecorder()
{
    OperatorPrompt::setResponder(nullptr);
}
