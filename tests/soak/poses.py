"""Poses of the first glove through glove.poses(), as a recording script reads them, for the
soak. When the stream ends (the service stopped or restarted, the glove disconnected) it looks
for the glove again. On SIGTERM it prints how many streams and poses it read and exits."""

import signal
import time

import tscore

stopping = False


def stop(*_):
    global stopping
    stopping = True


signal.signal(signal.SIGTERM, stop)
streams = poses = 0
while not stopping:
    glove = tscore.glove()
    if glove is None:
        time.sleep(0.1)
        continue
    streams += 1
    for pose in glove.poses(rate=90, timeout=1.0):
        poses += 1
        if stopping:
            break
print(f"stats streams={streams} poses={poses}", flush=True)
