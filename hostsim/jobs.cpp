#include "hostsim/jobs.h"

#include "hostsim/host_state.h"
#include "hostsim/object_data.h"
#include "hostsim/text_util.h"

#include <algorithm>

namespace hostsim {
namespace {

constexpr uint64_t kKeptMs = 5 * 60 * 1000;  // finished jobs stay this long
constexpr uint16_t kStarting = 3, kRunning = 4, kTerminated = 8, kException = 10, kFailedCode = 32768;

uint64_t Now() { return GetTickCount64(); }

bool Running(const Job& job) { return job.state == kStarting || job.state == kRunning; }

// A checkpoint's job leaves its machine's power as it is, whatever happened to it meanwhile.
bool Moves(const Job& job) { return job.change.via != job.change.target || job.change.boots; }

void End(const Host& host, Job& job, uint64_t now) {
    job.endMs = now;
    job.percent = 100;
    job.state = job.error ? kException : host.jobCompletedState;
    if (!Moves(job)) return;
    if (job.error)
        job.machine->Land(job.before, false);
    else
        job.machine->Land(job.change.target, job.change.boots);
}

// Ends the job when its time is up or it has been read often enough; else moves its percentage.
void Progress(const Host& host, Job& job, uint64_t now) {
    const uint64_t elapsed = now - job.startMs;
    const bool byTime = elapsed >= static_cast<uint64_t>(host.jobMs);
    const bool byReads = host.jobPolls > 0 && job.reads >= host.jobPolls;
    if (byTime || byReads) {
        End(host, job, now);
        return;
    }
    // Starting for its first read and the first tenth of its time.
    if (job.state == kStarting && (job.reads >= 2 || elapsed * 10 >= static_cast<uint64_t>(host.jobMs))) job.state = kRunning;
    int percent = static_cast<int>(elapsed * 100 / static_cast<uint64_t>(host.jobMs));
    if (host.jobPolls > 0) percent = std::max(percent, job.reads * 100 / host.jobPolls);
    job.percent = std::min(percent, 99);
}

std::wstring KeyOf(const ObjectPath& path, const wchar_t* key) {
    for (const auto& [name, value] : path.keys)
        if (IEquals(name, key)) return value;
    return {};
}

std::wstring NewJobId(Host& host) {
    wchar_t text[40];
    swprintf(text, 40, L"6A0B5E1C-0000-4D2F-9C3B-%012X", ++host.jobsStarted);
    return text;
}

}  // namespace

Job* StartJob(Host& host, Machine& machine, const PowerTransition& change, bool hasObject,
              const std::optional<std::wstring>& error) {
    Job job;
    job.id = NewJobId(host);
    job.machine = &machine;
    job.hasObject = hasObject;
    job.change = change;
    job.before = machine.power;
    job.error = error;
    job.startMs = Now();
    job.state = host.jobStarting ? kStarting : kRunning;
    if (Moves(job))
        for (Job& other : host.jobs)
            if (other.machine == &machine && Running(other) && Moves(other)) {
                other.state = kTerminated;
                other.endMs = job.startMs;
            }
    if (host.jobMs == 0) {
        End(host, job, job.startMs);
        return nullptr;
    }
    if (Moves(job)) machine.Land(change.via, false);
    host.jobs.push_back(job);
    return &host.jobs.back();
}

void AdvanceJobs(Host& host, const ObjectPath* read) {
    const uint64_t now = Now();
    if (read) {
        // A read of a job counts for that job; a read of a machine for its shutdown.
        const bool jobRead = IEquals(read->className, L"Msvm_ConcreteJob");
        const bool machineRead = IEquals(read->className, L"Msvm_ComputerSystem");
        const std::wstring key = KeyOf(*read, jobRead ? L"InstanceID" : L"Name");
        for (Job& job : host.jobs) {
            if (!Running(job)) continue;
            if ((jobRead && job.hasObject && IEquals(job.id, key)) ||
                (machineRead && !job.hasObject && IEquals(job.machine->name, key)))
                ++job.reads;
        }
    }
    for (Job& job : host.jobs)
        if (Running(job)) Progress(host, job, now);
    host.jobs.erase(std::remove_if(host.jobs.begin(), host.jobs.end(),
                                   [&](const Job& job) {
                                       return !Running(job) && (!job.hasObject || now - job.endMs > kKeptMs);
                                   }),
                    host.jobs.end());
}

void DescribeJob(const Job& job, bool secondVersion, ObjectData& data) {
    const std::wstring name = std::wstring(job.change.jobName) + L" Virtual Machine";
    data.Set(L"Caption", PropValue::String(name));
    data.Set(L"Description", PropValue::String(name));
    data.Set(L"ElementName", PropValue::String(name));
    data.Set(L"InstanceID", PropValue::String(job.id));
    data.Set(L"Name", PropValue::String(name));
    data.Set(L"JobState", PropValue::I4(job.state));
    data.Set(L"PercentComplete", PropValue::I4(job.percent));
    data.Set(L"ErrorCode", PropValue::I4(job.state == kException ? kFailedCode : 0));
    data.Set(L"ErrorDescription", PropValue::String(job.state == kException ? *job.error : L""));
    data.Set(L"Cancellable", PropValue::Bool(false));
    if (secondVersion) data.Set(L"JobType", PropValue::I4(job.change.jobType));
}

std::wstring JobPath(const Host& host, const Job& job, ProviderVersion version) {
    return L"\\\\" + host.hostName + L"\\" + NamespaceOf(version) + L":" +
           FormatRelativePath(L"Msvm_ConcreteJob", {{L"InstanceID", job.id}});
}

}  // namespace hostsim
