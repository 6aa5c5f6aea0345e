/* Preloaded into every 32-bit Wine process that QEMU's user-mode emulator runs
 * (tools/wine32-emulated.sh puts it in the private root's etc/ld.so.preload, which qemu-i386 -L
 * reads instead of the machine's), to make up for what qemu-i386 7.2 gets wrong.
 *
 * MAP_FIXED_NOREPLACE: qemu passes it on to the kernel together with the MAP_FIXED it adds for
 * its own reservation of the 4 GB guest space, so every such mapping fails with EEXIST. Wine
 * reserves its 32-bit address space with that flag and, on each failure, halves the range and
 * tries again: about 65,700 mmap calls and 40-50 s for every process start. Here the flag gets
 * its meaning back: the mapping is asked for at the address as a hint, and one that lands
 * elsewhere is undone and fails with EEXIST.
 *
 * Trap numbers: qemu fills the signal frame's trapno with the CPU's pending exception, which it
 * has already reset to -1 by then. Wine reads trapno to tell a page fault from any other fault;
 * with -1 it reports "Got unexpected trap -1" and raises an illegal-instruction exception where
 * a page fault was meant to be handled (a guard page, a stack growing, a program's own
 * __try/__except). Wine's handlers for the synchronous signals are wrapped: the trap number is
 * rebuilt from the signal and its si_code, as the kernel would have set it.
 *
 * Thread segments: the kernel keeps the thread-local-storage entries of the GDT per thread; qemu
 * keeps one GDT for the whole process. Every new thread (clone's TLS) and every set_thread_area
 * overwrites the entry all threads share, and a thread that reloads its segment register then
 * gets the base of the thread that wrote last. The C library (%gs) and Wine (%fs, the TEB) both
 * have theirs reloaded: by qemu at each return from a signal handler, by Wine each time its
 * handlers and system calls switch between Windows and Unix code. Threads then read each other's
 * TEB (one waits on another's wake-up pipe and hangs) and C library state. The LDT, which qemu
 * keeps per process as the kernel does, has room for an entry per thread: Wine falls back to one
 * per thread for %fs when set_thread_area fails, and each thread here moves its %gs to an entry
 * of its own (from the top down; Wine's start at 512) as it starts. Only while it creates a
 * thread does a thread go back to the shared entry, which the C library's clone takes the entry
 * number from: under a lock, with the entry rewritten to the creator's own base first, and with
 * signals blocked until the new thread has moved to its own.
 *
 * Built without any C library headers (the machines that need it have no 32-bit ones):
 * gcc -m32 -ffreestanding -nostdlib -shared -fPIC. The C library's own functions are found at
 * run time in the process, which always has it loaded.
 */

typedef unsigned int size_t;
typedef long long off64_t;

#define RTLD_NEXT ((void *)-1)
#define MAP_FAILED ((void *)-1)
#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17

#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SI_KERNEL 0x80

/* x86 trap numbers, as the kernel writes them into the signal frame. */
#define TRAP_DIVIDE 0
#define TRAP_DEBUG 1
#define TRAP_BREAKPOINT 3
#define TRAP_OVERFLOW 4
#define TRAP_STACK 12
#define TRAP_PROTECTION 13
#define TRAP_PAGE 14
#define TRAP_FPU 16
#define TRAP_ALIGNMENT 17
#define PAGE_ERROR_FETCH 0x10

/* The i386 layouts: siginfo_t's first fields, and the general registers of ucontext_t's
 * mcontext after uc_flags, uc_link and uc_stack (20 bytes). */
struct siginfo_head {
    int si_signo;
    int si_errno;
    int si_code;
    void *si_addr;
};
enum { REG_TRAPNO = 12, REG_ERR = 13, REG_EIP = 14 };
#define UCONTEXT_GREGS_OFFSET 20

typedef void (*handler_fn)(int, struct siginfo_head *, void *);
struct glibc_sigaction {
    handler_fn handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

void *dlsym(void *handle, const char *name);
int munmap(void *addr, size_t length);
int *__errno_location(void);
void *malloc(size_t size);
void free(void *pointer);
int sched_yield(void);

static void *(*real_mmap64)(void *, size_t, int, int, int, off64_t);
static int (*real_sigaction)(int, const struct glibc_sigaction *, struct glibc_sigaction *);

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, off64_t offset)
{
    if (!real_mmap64)
        real_mmap64 = (void *(*)(void *, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE) || (flags & MAP_FIXED))
        return real_mmap64(addr, length, prot, flags, fd, offset);
    void *placed = real_mmap64(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (placed == MAP_FAILED || placed == addr)
        return placed;
    munmap(placed, length);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset)
{
    return mmap64(addr, length, prot, flags, fd, offset);
}

/* Wine's handlers, by signal number, for the signals whose frames are mended. */
static handler_fn wine_handlers[32];

static int mended(int signal)
{
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGTRAP;
}

static int trap_number(int signal, const struct siginfo_head *info)
{
    int code = info->si_code;
    switch (signal) {
    case SIGSEGV:
        /* A page fault gives SEGV_MAPERR or SEGV_ACCERR; a general protection fault (a
         * privileged instruction, an int to a gate the program may not use) SI_KERNEL. */
        if (code == 1 || code == 2) return TRAP_PAGE;
        if (code == SI_KERNEL) return TRAP_PROTECTION;
        return -1;
    case SIGBUS:
        if (code == 1) return TRAP_ALIGNMENT;
        if (code == 2 || code == 3) return TRAP_PAGE;
        if (code == SI_KERNEL) return TRAP_STACK;
        return -1;
    case SIGFPE:
        if (code == 1) return TRAP_DIVIDE;
        if (code == 2) return TRAP_OVERFLOW;
        return TRAP_FPU;
    case SIGTRAP:
        return code == SI_KERNEL ? TRAP_BREAKPOINT : TRAP_DEBUG;
    }
    return -1;
}

static void mend_frame(int signal, struct siginfo_head *info, void *context)
{
    unsigned int *gregs = (unsigned int *)((char *)context + UCONTEXT_GREGS_OFFSET);
    if (gregs[REG_TRAPNO] > 31) {
        int trap = trap_number(signal, info);
        gregs[REG_TRAPNO] = (unsigned int)trap;
        /* qemu leaves the fetch bit out of a page fault's error code; the kernel sets it when
         * the faulting address is the instruction's own. */
        if (trap == TRAP_PAGE && info->si_addr == (void *)gregs[REG_EIP])
            gregs[REG_ERR] |= PAGE_ERROR_FETCH;
    }
    wine_handlers[signal](signal, info, context);
}

int sigaction(int signal, const struct glibc_sigaction *action, struct glibc_sigaction *old)
{
    if (!real_sigaction)
        real_sigaction = (int (*)(int, const struct glibc_sigaction *,
                                  struct glibc_sigaction *))dlsym(RTLD_NEXT, "sigaction");
    if (signal <= 0 || signal >= 32 || !mended(signal))
        return real_sigaction(signal, action, old);

    struct glibc_sigaction replacement;
    const struct glibc_sigaction *given = action;
    if (action && (action->flags & SA_SIGINFO)) {
        replacement = *action;
        replacement.handler = mend_frame;
        given = &replacement;
    }
    /* Known before the signal can arrive at mend_frame. */
    handler_fn previous = wine_handlers[signal];
    if (given == &replacement)
        wine_handlers[signal] = action->handler;
    int result = real_sigaction(signal, given, old);
    if (result != 0) {
        wine_handlers[signal] = previous;
        return result;
    }
    if (old && old->handler == mend_frame)
        old->handler = previous;
    if (action && given != &replacement)
        wine_handlers[signal] = 0;
    return result;
}

/* Thread segments. */

#define SYS_modify_ldt 123
#define SYS_set_thread_area 243
#define MODIFY_LDT_WRITE 0x11
#define LDT_ENTRIES 8192
/* Wine hands out LDT entries from 512 upwards; these come from the top down, and a thread that
 * would take one below this keeps the shared entry. */
#define LOWEST_OWN_ENTRY 4096
#define SIG_BLOCK 0
#define SIG_SETMASK 2
#define ESRCH 3

/* struct user_desc. The flags (seg_32bit, limit_in_pages, useable) are the ones the C library
 * gives its own thread pointer's segment. */
struct user_desc {
    unsigned int entry_number;
    unsigned int base_addr;
    unsigned int limit;
    unsigned int flags;
};
#define TLS_DESCRIPTOR_FLAGS 0x51

typedef void *(*thread_routine)(void *);
static long (*real_syscall)(long, long, long, long, long, long, long);
static int (*real_pthread_create)(void *, const void *, thread_routine, void *);
static int (*real_pthread_sigmask)(int, const unsigned long *, unsigned long *);

static unsigned short shared_selector;
static int next_entry = LDT_ENTRIES - 1;
static int creating;

static unsigned short get_gs(void)
{
    unsigned short selector;
    __asm__ volatile("movw %%gs,%0" : "=r"(selector));
    return selector;
}

static void set_gs(unsigned short selector)
{
    __asm__ volatile("movw %0,%%gs" : : "r"(selector) : "memory");
}

/* The C library's thread pointer: the first word of its thread control block is the block's own
 * address, which is the segment's base. */
static unsigned int thread_pointer(void)
{
    unsigned int pointer;
    __asm__ volatile("movl %%gs:0,%0" : "=r"(pointer));
    return pointer;
}

static void resolve(void)
{
    if (real_syscall)
        return;
    real_pthread_create = (int (*)(void *, const void *, thread_routine, void *))
        dlsym(RTLD_NEXT, "pthread_create");
    real_pthread_sigmask = (int (*)(int, const unsigned long *, unsigned long *))
        dlsym(RTLD_NEXT, "pthread_sigmask");
    real_syscall = (long (*)(long, long, long, long, long, long, long))
        dlsym(RTLD_NEXT, "syscall");
}

static void take_own_entry(void)
{
    if (get_gs() != shared_selector || shared_selector & 4)
        return;
    int entry = __sync_fetch_and_sub(&next_entry, 1);
    if (entry < LOWEST_OWN_ENTRY)
        return;
    struct user_desc descriptor = { (unsigned int)entry, thread_pointer(), 0xfffff,
                                    TLS_DESCRIPTOR_FLAGS };
    if (real_syscall(SYS_modify_ldt, MODIFY_LDT_WRITE, (long)&descriptor, sizeof descriptor,
                     0, 0, 0) == 0)
        set_gs((unsigned short)(entry << 3 | 7));
}

__attribute__((constructor)) static void start_main_thread(void)
{
    resolve();
    shared_selector = get_gs();
    take_own_entry();
}

long syscall(long number, long a, long b, long c, long d, long e, long f)
{
    resolve();
    /* Wine asking for a GDT entry for %fs: none is per thread here, and Wine then takes an LDT
     * entry for each thread. */
    if (number == SYS_set_thread_area && a && ((struct user_desc *)a)->entry_number == -1u) {
        *__errno_location() = ESRCH;
        return -1;
    }
    return real_syscall(number, a, b, c, d, e, f);
}

struct thread_start {
    thread_routine routine;
    void *argument;
    unsigned long signal_mask[32];
};

static void *start_thread(void *given)
{
    struct thread_start start = *(struct thread_start *)given;
    free(given);
    take_own_entry();
    real_pthread_sigmask(SIG_SETMASK, start.signal_mask, 0);
    return start.routine(start.argument);
}

int pthread_create(void *thread, const void *attributes, thread_routine routine, void *argument)
{
    resolve();
    unsigned short own = get_gs();
    struct thread_start *start;
    if (own == shared_selector || !(start = malloc(sizeof *start)))
        return real_pthread_create(thread, attributes, routine, argument);
    start->routine = routine;
    start->argument = argument;
    unsigned long all[32], mask[32];
    for (int i = 0; i < 32; i++)
        all[i] = ~0ul;
    /* The new thread starts with its creator's signal mask, all blocked, until it has moved to
     * an entry of its own (start_thread): no return from a signal handler reloads the shared
     * entry in it before. */
    real_pthread_sigmask(SIG_BLOCK, all, mask);
    for (int i = 0; i < 32; i++)
        start->signal_mask[i] = mask[i];
    while (__sync_lock_test_and_set(&creating, 1))
        sched_yield();
    struct user_desc descriptor = { shared_selector >> 3, thread_pointer(), 0xfffff,
                                    TLS_DESCRIPTOR_FLAGS };
    int result;
    int wrapped = real_syscall(SYS_set_thread_area, (long)&descriptor, 0, 0, 0, 0, 0) == 0;
    if (wrapped) {
        set_gs(shared_selector);
        result = real_pthread_create(thread, attributes, start_thread, start);
        set_gs(own);
    } else {
        result = real_pthread_create(thread, attributes, routine, argument);
    }
    __sync_lock_release(&creating);
    real_pthread_sigmask(SIG_SETMASK, mask, 0);
    if (result != 0 || !wrapped)
        free(start);
    return result;
}
