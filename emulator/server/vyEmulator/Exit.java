package vyEmulator;

/**
 * The emulator's own exit statuses, beside 0, 70 (stop: nothing listens
 * there) and 71 (a bad argument), which it shares with the client classes.
 * <pre>
 *  1  run: a fault the emulator cannot serve on (out of memory); every change
 *     acknowledged before it is in the state file
 * 82  the state file cannot be read or is malformed (the message names file and line)
 * 83  the address cannot be bound (port in use) or the emulator did not come up
 * 84  stop: something accepts connections there but does not answer in time
 * 85  stop: the port file does not hold what run writes there; nothing is sent
 * </pre>
 */
final class Exit {
    static final int FATAL = 1;
    static final int BAD_STATE_FILE = 82;
    static final int CANNOT_LISTEN = 83;
    static final int NOT_ANSWERING = 84;
    static final int BAD_PORT_FILE = 85;

    private Exit() {
    }
}
