#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

// Asks the file system things that may hang in the kernel (a drive spinning up, a network
// share gone, a FUSE daemon stopped) without holding the caller longer than a time limit:
// each question runs on a thread of its own, and a question not answered in time is left
// to finish (or hang) there, while the caller gets nothing.
namespace TimeLimit {

// The answers of `questions`, asked at once; those not answered by `within` are nothing.
template <typename T>
std::vector<std::optional<T>> answers(std::vector<std::function<T()>> questions,
                                      std::chrono::milliseconds within)
{
    std::vector<std::future<T>> pending;
    pending.reserve(questions.size());
    for (std::function<T()>& question : questions) {
        auto answer = std::make_shared<std::promise<T>>();
        pending.push_back(answer->get_future());
        std::thread([answer, question = std::move(question)] { answer->set_value(question()); }).detach();
    }
    const auto deadline = std::chrono::steady_clock::now() + within;
    std::vector<std::optional<T>> result;
    result.reserve(pending.size());
    for (std::future<T>& answer : pending) {
        if (answer.wait_until(deadline) == std::future_status::ready)
            result.push_back(answer.get());
        else
            result.push_back(std::nullopt);
    }
    return result;
}

template <typename T> std::optional<T> answer(std::function<T()> question, std::chrono::milliseconds within)
{
    std::vector<std::function<T()>> one;
    one.push_back(std::move(question));
    return answers<T>(std::move(one), within).front();
}

// The volumes (by the folder they are mounted on) with a question still unanswered.
// Process-wide and thread-safe.
bool beginQuestion(const QString& volumeRoot); // false: one is unanswered already
void endQuestion(const QString& volumeRoot);
// Whether `path` lies on a volume with a question still unanswered.
bool isStalled(const QString& path);

// Asks `question` of the volume mounted on `volumeRoot`, unless its last question is still
// unanswered: then nothing, at once, and no thread is started. So a volume that hangs in
// the kernel (a FUSE daemon stopped) holds one thread and one wait, however often it is
// asked.
template <typename T>
std::optional<T> askVolume(const QString& volumeRoot, std::function<T()> question,
                           std::chrono::milliseconds within)
{
    if (!beginQuestion(volumeRoot))
        return std::nullopt;
    return answer<T>(
        [volumeRoot, question = std::move(question)] {
            T result = question();
            endQuestion(volumeRoot);
            return result;
        },
        within);
}

} // namespace TimeLimit
