#pragma once

#include <mutex>

/**
 * The one-instance pattern every service follows.
 *
 * A service derives from SharedInstance<Service>, makes its constructor private and befriends
 * SharedInstance<Service>. sharedEngineInstance() creates the instance on first use under the
 * class's re-entrant lock; alloc() is the only way to create one and answers nullptr once the
 * instance exists, so a second creation never yields a second object. copy() answers the instance
 * itself. The instance lives until the process ends.
 */
template <typename T> class SharedInstance
{
public:
    /** The service's one instance, created on first use. Never null. */
    static T* sharedEngineInstance()
    {
        std::lock_guard<std::recursive_mutex> guard(lock());
        if (!slot()) {
            // alloc() takes the same lock again on this thread, hence the re-entrant mutex.
            alloc();
        }
        return slot();
    }

    /** Creates the instance if there is none yet; answers nullptr when it already exists. */
    static T* alloc()
    {
        std::lock_guard<std::recursive_mutex> guard(lock());
        if (slot()) {
            return nullptr;
        }
        slot() = new T();
        return slot();
    }

    /** Copying a service answers the service itself. */
    T* copy() const { return slot(); }

    SharedInstance(const SharedInstance&) = delete;
    SharedInstance& operator=(const SharedInstance&) = delete;

protected:
    SharedInstance() = default;
    ~SharedInstance() = default;

private:
    static std::recursive_mutex& lock()
    {
        static std::recursive_mutex mutex;
        return mutex;
    }
    static T*& slot()
    {
        static T* instance = nullptr;
        return instance;
    }
};
