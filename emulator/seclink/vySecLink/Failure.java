package vySecLink;

/**
 * Ends a program: the message (without the program's prefix) is printed and
 * the status becomes the exit status. Thrown from deep inside a command so
 * that every exit goes through one place.
 */
public final class Failure extends Exception {
    private static final long serialVersionUID = 1L;

    private final int status;

    public Failure(int status, String message) {
        super(message);
        this.status = status;
    }

    public int status() {
        return status;
    }
}
