package vySecLink;

/**
 * Exit statuses of every client class. The emulator adds its own (82 to
 * 85, in vyEmulator's Exit) and shares 70, 71 and 81 with the classes.
 *
 * They were chosen so that none collides with the launchers' own codes
 * (3, 4, 10, 12-25, 30, 41, 42, 45, 62-66, 255): a launcher returns the
 * class's status as its own, and its caller must be able to tell them apart.
 *
 * <pre>
 *  0  success
 * 70  the server does not answer (refused, time-out, unknown host)
 * 71  an unknown or malformed argument (the message names it), a server
 *     name of a form ServerName does not take among them
 * 72  authentication failed: unknown user, wrong password, or no credentials given
 * 73  the security file cannot be read, or its first line does not hold a
 *     user name and a password
 * 74  a task (or, for "show host", a host) is not known to the server
 * 75  a task is already running
 * 76  await: time ran out before every task was complete
 * 77  await: a task failed
 * 78  one or more volumes are not volumes of this server (probe-volume, seed-host)
 * 79  the volume file cannot be read, or a line of it is not "-l disk -r serial"
 * 80  shell: unknown command
 * 81  the server gave a reply the client did not expect (the message shows
 *     its status and first line)
 * </pre>
 */
public final class Status {
    public static final int OK = 0;
    public static final int NO_ANSWER = 70;
    public static final int BAD_ARGUMENT = 71;
    public static final int AUTH_FAILED = 72;
    public static final int BAD_SECURITY_FILE = 73;
    public static final int UNKNOWN_TASK = 74;
    public static final int ALREADY_RUNNING = 75;
    public static final int NOT_COMPLETE = 76;
    public static final int TASK_FAILED = 77;
    public static final int UNKNOWN_VOLUME = 78;
    public static final int BAD_VOLUME_FILE = 79;
    public static final int UNKNOWN_COMMAND = 80;
    public static final int UNEXPECTED_REPLY = 81;

    private Status() {
    }
}
