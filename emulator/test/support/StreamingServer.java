package support;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * A server on 127.0.0.1 that answers every connection with a head and then
 * bytes without end: written as fast as the client takes them, or one every
 * 100 ms. Each connection is fed for at most 10 seconds and 64 MiB, so that a
 * client without bounds ends too (and can be seen to have taken too long).
 */
public final class StreamingServer implements AutoCloseable {
    public static final long FEED_MILLIS = 10_000;
    public static final long FEED_BYTES = 64L << 20;

    private final ServerSocket socket;

    /**
     * head: sent first, as it is ("HTTP/1.1 200 OK\r\n\r\n", or a head line
     * left open); drip: one byte every 100 ms rather than all it can.
     */
    public StreamingServer(String head, boolean drip) throws IOException {
        socket = new ServerSocket(0, 10, InetAddress.getLoopbackAddress());
        Thread acceptor = new Thread(() -> {
            while (!socket.isClosed()) {
                try {
                    Socket s = socket.accept();
                    Thread feeder = new Thread(() -> feed(s, head, drip));
                    feeder.setDaemon(true);
                    feeder.start();
                } catch (IOException e) {
                    return;
                }
            }
        });
        acceptor.setDaemon(true);
        acceptor.start();
    }

    public int port() {
        return socket.getLocalPort();
    }

    private static void feed(Socket s, String head, boolean drip) {
        long end = System.nanoTime() + FEED_MILLIS * 1_000_000L;
        byte[] block = new byte[drip ? 1 : 64 * 1024];
        Arrays.fill(block, (byte) 'a');
        try (s) {
            InputStream in = s.getInputStream();
            in.read(new byte[4096]); // the request's start; what it asks changes nothing
            OutputStream out = s.getOutputStream();
            out.write(head.getBytes(StandardCharsets.ISO_8859_1));
            for (long sent = 0; sent < FEED_BYTES && System.nanoTime() < end; sent += block.length) {
                out.write(block);
                out.flush();
                if (drip) {
                    Thread.sleep(100);
                }
            }
        } catch (IOException e) {
            // the client went away
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }

    @Override
    public void close() throws IOException {
        socket.close();
    }
}
