package support;

import java.io.IOException;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;

/** A server on 127.0.0.1 that answers one connection with the bytes given and closes it. */
public final class CannedServer implements AutoCloseable {
    private final ServerSocket socket;

    public CannedServer(String reply) throws IOException {
        socket = new ServerSocket(0, 1, InetAddress.getLoopbackAddress());
        Thread t = new Thread(() -> {
            try (Socket s = socket.accept()) {
                s.getInputStream().read(new byte[4096]);
                s.getOutputStream().write(reply.getBytes(StandardCharsets.ISO_8859_1));
            } catch (IOException e) {
                // closed
            }
        });
        t.setDaemon(true);
        t.start();
    }

    public int port() {
        return socket.getLocalPort();
    }

    @Override
    public void close() throws IOException {
        socket.close();
    }
}
