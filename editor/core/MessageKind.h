#pragma once
// What a message box tells the user, which gives it its icon: a success or notice, a question, a
// refusal (the command was not done and nothing is wrong), or a failure.
namespace orb {

enum class MessageKind { Information, Question, Warning, Critical };

}  // namespace orb
