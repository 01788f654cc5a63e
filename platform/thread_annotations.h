// Lock discipline written into the declarations: which mutex guards a field, which lock a
// function needs or must not hold. Clang checks these (-Wthread-safety); other compilers
// see nothing.
#pragma once

#if defined(__clang__)
#define DTU_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define DTU_THREAD_ATTRIBUTE(x)
#endif

// A type that is a lock (the name is what the diagnostics call it).
#define CAPABILITY(name) DTU_THREAD_ATTRIBUTE(capability(name))
// A type whose objects hold a lock for their lifetime.
#define SCOPED_CAPABILITY DTU_THREAD_ATTRIBUTE(scoped_lockable)
// The field may be touched only with the lock held.
#define GUARDED_BY(lock) DTU_THREAD_ATTRIBUTE(guarded_by(lock))
// What the pointer points at may be touched only with the lock held.
#define PT_GUARDED_BY(lock) DTU_THREAD_ATTRIBUTE(pt_guarded_by(lock))
// The caller must hold the lock.
#define REQUIRES(...) DTU_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
// The caller must not hold the lock (the function takes it, or calls out to code that may).
#define EXCLUDES(...) DTU_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
// The function takes the lock and returns with it held.
#define ACQUIRE(...) DTU_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
// The function releases a lock the caller held.
#define RELEASE(...) DTU_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
// The function returns only when the lock is held: tells the analysis what it cannot see.
#define ASSERT_CAPABILITY(lock) DTU_THREAD_ATTRIBUTE(assert_capability(lock))
// The function returns a reference to this lock.
#define RETURN_CAPABILITY(lock) DTU_THREAD_ATTRIBUTE(lock_returned(lock))
