#include "emulator/VirtualMidiService.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace
{
juce::String inputIdentifier (int pairIndex)
{
    return "virtual-midi-in-" + juce::String (pairIndex);
}
juce::String outputIdentifier (int pairIndex)
{
    return "virtual-midi-out-" + juce::String (pairIndex);
}

class VirtualInput;

// The state that the service shares with the ports it opened, so a port may outlive the service.
struct Hub
{
    struct Pair
    {
        juce::String name;
        VirtualMidiService::Device* device = nullptr;
        bool inputFails = false;
        bool outputFails = false;
        int openOutputs = 0;
    };

    mutable std::mutex pairsMutex;
    std::vector<Pair> pairs;

    // Guards `inputs` and their started flags, and is held while an input's callback runs: stop()
    // takes it, so it returns only after a delivery in progress has finished.
    juce::CriticalSection deliveryLock;
    std::vector<VirtualInput*> inputs;

    // Held while a device is called, so that a detached device is not called again.
    juce::CriticalSection deviceLock;

    bool isValidPair (int pairIndex) const
    {
        return pairIndex >= 0 && pairIndex < (int) pairs.size();
    }

    int findPair (const juce::String& identifier, bool isInput) const
    {
        for (int i = 0; i < (int) pairs.size(); ++i)
            if (identifier == (isInput ? inputIdentifier (i) : outputIdentifier (i)))
                return i;

        return -1;
    }

    void deliver (int pairIndex, juce::MidiMessage message);
};

class VirtualInput : public MidiPortInput
{
public:
    VirtualInput (std::shared_ptr<Hub> hubToUse, int pair, MidiPortInputCallback& callbackToUse)
        : hub (std::move (hubToUse)), pairIndex (pair), callback (callbackToUse)
    {
        const juce::ScopedLock sl (hub->deliveryLock);
        hub->inputs.push_back (this);
    }

    ~VirtualInput() override
    {
        const juce::ScopedLock sl (hub->deliveryLock);
        started = false;
        hub->inputs.erase (std::find (hub->inputs.begin(), hub->inputs.end(), this));
    }

    void start() override
    {
        const juce::ScopedLock sl (hub->deliveryLock);
        started = true;
    }

    void stop() override
    {
        const juce::ScopedLock sl (hub->deliveryLock);
        started = false;
    }

    std::shared_ptr<Hub> hub;
    const int pairIndex;
    MidiPortInputCallback& callback;
    bool started = false;
};

class VirtualOutput : public MidiPortOutput
{
public:
    VirtualOutput (std::shared_ptr<Hub> hubToUse, int pair)
        : hub (std::move (hubToUse)), pairIndex (pair)
    {
        const std::lock_guard<std::mutex> lock (hub->pairsMutex);
        ++hub->pairs[(size_t) pairIndex].openOutputs;
    }

    ~VirtualOutput() override
    {
        const std::lock_guard<std::mutex> lock (hub->pairsMutex);
        --hub->pairs[(size_t) pairIndex].openOutputs;
    }

    // Hands the message to the device behind the pair, on the sender's thread.
    void sendMessageNow (const juce::MidiMessage& message) override
    {
        const juce::ScopedLock sl (hub->deviceLock);
        VirtualMidiService::Device* device = nullptr;

        {
            const std::lock_guard<std::mutex> lock (hub->pairsMutex);
            device = hub->pairs[(size_t) pairIndex].device;
        }

        if (device != nullptr)
            device->receivedFromApplication (pairIndex, message);
    }

private:
    std::shared_ptr<Hub> hub;
    const int pairIndex;
};

// Called on the delivery thread.
void Hub::deliver (int pairIndex, juce::MidiMessage message)
{
    const juce::ScopedLock sl (deliveryLock);
    message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);

    for (size_t i = 0; i < inputs.size(); ++i)
    {
        auto* input = inputs[i];

        if (input->pairIndex == pairIndex && input->started)
            input->callback.handleIncomingMidiMessage (input, message);
    }
}
} // namespace

//==================================================================================================
struct VirtualMidiService::Impl
{
    struct Pending
    {
        double dueMs;
        uint64_t sequence; // keeps messages due at the same moment in the order they were sent
        int pairIndex;
        juce::MidiMessage message;
    };

    struct LaterFirst
    {
        bool operator() (const Pending& a, const Pending& b) const
        {
            return a.dueMs != b.dueMs ? a.dueMs > b.dueMs : a.sequence > b.sequence;
        }
    };

    Impl()
        : deliveryThread ([this]
                          { run(); }) {}

    ~Impl()
    {
        {
            const std::lock_guard<std::mutex> lock (queueMutex);
            quit = true;
        }

        wake.notify_all();
        deliveryThread.join();
    }

    void push (int pairIndex, const juce::MidiMessage& message, double delayMs)
    {
        {
            const std::lock_guard<std::mutex> lock (queueMutex);
            queue.push ({ juce::Time::getMillisecondCounterHiRes() + juce::jmax (0.0, delayMs), nextSequence++, pairIndex, message });
        }

        wake.notify_all();
    }

    // The delivery thread: hands each message to the application's inputs once it is due.
    void run()
    {
        std::unique_lock<std::mutex> lock (queueMutex);

        while (! quit)
        {
            if (queue.empty())
            {
                wake.wait (lock);
                continue;
            }

            const auto waitMs = queue.top().dueMs - juce::Time::getMillisecondCounterHiRes();

            if (waitMs > 0.0)
            {
                wake.wait_for (lock, std::chrono::duration<double, std::milli> (waitMs));
                continue;
            }

            auto due = queue.top();
            queue.pop();

            lock.unlock();
            hub->deliver (due.pairIndex, std::move (due.message));
            lock.lock();
        }
    }

    std::shared_ptr<Hub> hub = std::make_shared<Hub>();

    std::mutex queueMutex;
    std::condition_variable wake;
    std::priority_queue<Pending, std::vector<Pending>, LaterFirst> queue;
    uint64_t nextSequence = 0;
    bool quit = false;

    std::thread deliveryThread; // last: starts once everything it uses exists
};

VirtualMidiService::VirtualMidiService()
    : impl (std::make_unique<Impl>()) {}

VirtualMidiService::~VirtualMidiService() = default;

int VirtualMidiService::addPortPair (const juce::String& name, Device* device)
{
    const std::lock_guard<std::mutex> lock (impl->hub->pairsMutex);
    Hub::Pair pair;
    pair.name = name;
    pair.device = device;
    impl->hub->pairs.push_back (pair);
    return (int) impl->hub->pairs.size() - 1;
}

void VirtualMidiService::detachDevice (int pairIndex)
{
    auto& hub = *impl->hub;
    const juce::ScopedLock sl (hub.deviceLock);
    const std::lock_guard<std::mutex> lock (hub.pairsMutex);

    if (hub.isValidPair (pairIndex))
        hub.pairs[(size_t) pairIndex].device = nullptr;
}

void VirtualMidiService::sendToApplication (int pairIndex, const juce::MidiMessage& message, double delayMs)
{
    impl->push (pairIndex, message, delayMs);
}

void VirtualMidiService::setOpenFailure (int pairIndex, bool fails)
{
    setOpenFailure (pairIndex, fails, fails);
}

void VirtualMidiService::setOpenFailure (int pairIndex, bool inputFails, bool outputFails)
{
    auto& hub = *impl->hub;
    const std::lock_guard<std::mutex> lock (hub.pairsMutex);

    if (hub.isValidPair (pairIndex))
    {
        hub.pairs[(size_t) pairIndex].inputFails = inputFails;
        hub.pairs[(size_t) pairIndex].outputFails = outputFails;
    }
}

int VirtualMidiService::getNumOpenInputs (int pairIndex) const
{
    const juce::ScopedLock sl (impl->hub->deliveryLock);
    int count = 0;

    for (auto* input : impl->hub->inputs)
        if (input->pairIndex == pairIndex)
            ++count;

    return count;
}

int VirtualMidiService::getNumStartedInputs (int pairIndex) const
{
    const juce::ScopedLock sl (impl->hub->deliveryLock);
    int count = 0;

    for (auto* input : impl->hub->inputs)
        if (input->pairIndex == pairIndex && input->started)
            ++count;

    return count;
}

int VirtualMidiService::getNumOpenOutputs (int pairIndex) const
{
    auto& hub = *impl->hub;
    const std::lock_guard<std::mutex> lock (hub.pairsMutex);
    return hub.isValidPair (pairIndex) ? hub.pairs[(size_t) pairIndex].openOutputs : 0;
}

juce::Array<juce::MidiDeviceInfo> VirtualMidiService::getAvailableInputs()
{
    const std::lock_guard<std::mutex> lock (impl->hub->pairsMutex);
    juce::Array<juce::MidiDeviceInfo> devices;

    for (int i = 0; i < (int) impl->hub->pairs.size(); ++i)
        devices.add ({ impl->hub->pairs[(size_t) i].name, inputIdentifier (i) });

    return devices;
}

juce::Array<juce::MidiDeviceInfo> VirtualMidiService::getAvailableOutputs()
{
    const std::lock_guard<std::mutex> lock (impl->hub->pairsMutex);
    juce::Array<juce::MidiDeviceInfo> devices;

    for (int i = 0; i < (int) impl->hub->pairs.size(); ++i)
        devices.add ({ impl->hub->pairs[(size_t) i].name, outputIdentifier (i) });

    return devices;
}

std::unique_ptr<MidiPortInput> VirtualMidiService::openInput (const juce::String& identifier, MidiPortInputCallback& callback)
{
    int pairIndex = -1;

    {
        const std::lock_guard<std::mutex> lock (impl->hub->pairsMutex);
        pairIndex = impl->hub->findPair (identifier, true);

        if (pairIndex < 0 || impl->hub->pairs[(size_t) pairIndex].inputFails)
            return {};
    }

    return std::make_unique<VirtualInput> (impl->hub, pairIndex, callback);
}

std::unique_ptr<MidiPortOutput> VirtualMidiService::openOutput (const juce::String& identifier)
{
    int pairIndex = -1;

    {
        const std::lock_guard<std::mutex> lock (impl->hub->pairsMutex);
        pairIndex = impl->hub->findPair (identifier, false);

        if (pairIndex < 0 || impl->hub->pairs[(size_t) pairIndex].outputFails)
            return {};
    }

    return std::make_unique<VirtualOutput> (impl->hub, pairIndex);
}
