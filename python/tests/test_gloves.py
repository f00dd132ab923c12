"""The package against the real tesslink-sim: discovery, poses, calibration, haptics, faults."""

from __future__ import annotations

import copy
import itertools
import os
import pickle
import subprocess
import threading
import time
import warnings

import numpy as np
import pytest

import tscore
from conftest import first, glove_of

FAMILIES = ["tessara", "kelvo"]
PROTOCOLS = range(pickle.HIGHEST_PROTOCOL + 1)
TS_INFO = tscore.TSGloveInfo.parse("C:QX7.2-R0001:QX7.2:v4.7:R:3:-47;-52;-22;11;69")


def test_discovery_of_both_families_and_a_beta_device(sim):
    sim("--tessara", "right", "--kelvo", "left", "--beta", "dev7:HW2:v1.4")
    assert tscore.service_running()
    devices = first(lambda: tscore.devices() or None)
    assert [type(d) for d in devices] == [tscore.Tessara, tscore.Kelvo, tscore.BetaDevice]
    assert [d.key for d in devices] == ["device0", "device1", "device2"]
    assert [d.device_type for d in devices] == [tscore.DeviceType.TESSARA, tscore.DeviceType.KELVO,
                                                tscore.DeviceType.BETA_DEVICE]
    exo, kelvo, beta = devices
    assert exo.is_right and not kelvo.is_right
    assert exo.is_connected() and exo.firmware_version == 4 and exo.info.num_sensors > 0
    assert isinstance(exo.connection_type(), tscore.ConnectionType)
    assert beta.constants == "dev7:HW2:v1.4" and str(beta) == "Beta Device dev7"

    # The cache shares its objects; the family getters hand out copies.
    assert tscore.glove(right=True) == exo and tscore.glove(right=False) == kelvo
    assert tscore.haptic_gloves() == [exo, kelvo]
    duplicate = tscore.tessara()
    assert isinstance(duplicate, tscore.Tessara) and duplicate != exo and duplicate.device_id == exo.device_id
    assert [k.device_id for k in tscore.kelvos()] == [kelvo.device_id]
    assert tscore.kelvo(right=True) is None and tscore.tessaras(only_connected=False)[0].key == "device0"

    # A device is a link to the service: no protocol pickles it, and none aborts Python.
    for device, protocol in itertools.product(devices, PROTOCOLS):
        with pytest.raises(TypeError, match="cannot pickle"):
            pickle.dumps(device, protocol)
    with pytest.raises(TypeError):
        copy.deepcopy(exo)


@pytest.mark.parametrize("kind", FAMILIES)
def test_pose_arrays_and_a_fist_flexes_more_than_an_open_hand(sim, kind):
    flexion = {}
    for motion in ("open", "fist"):
        s = sim(f"--{kind}", "right", "--motion", motion)
        pose = first(glove_of(kind).hand_pose)
        for name, shape in (("angles", (5, 3, 3)), ("positions", (5, 4, 3)), ("rotations", (5, 4, 4)),
                            ("flexion", (5,))):
            array = getattr(pose, name)
            assert array.shape == shape and array.dtype == np.float32 and np.isfinite(array).all(), name
            with pytest.raises(ValueError):
                array[0] = 1  # a read-only view
        assert np.allclose(np.linalg.norm(pose.rotations, axis=2), 1, atol=1e-3)
        flexion[motion] = pose.flexion.copy()
        s.stop()
        tscore.dispose()
        tscore.reinitialize()
    # The little finger of a Kelvo follows the ring finger; every other finger closes.
    assert (flexion["fist"][1:] > flexion["open"][1:] + 0.2).all(), flexion


def test_stored_values_round_trip_through_storage_pickle_and_copy():
    angles = tscore.HandPose.idle(False).angles
    assert angles.base is not None and np.isfinite(angles).all()  # the view keeps the pose alive

    pose = tscore.HandPose.idle(True)
    again = tscore.HandPose(True, pose.angles, pose.positions, pose.rotations)
    assert again == pose and again is not pose
    assert pose != tscore.HandPose.idle(False) and pose != "pose"
    assert "Index" in pose.to_string() and "right" in repr(pose)
    assert np.isnan(pose.reading_time) and not pose.is_new and np.isnan(pose.orientation).all()

    model = tscore.HandModel.default(False)
    model.set_finger_lengths(tscore.Finger.PINKY, [21.5, 17.25, 15.125])
    profile = tscore.HandProfile.default(False)
    for value in (pose, model, profile):
        for protocol in PROTOCOLS:  # protocols 0 and 1 used to abort the interpreter
            assert pickle.loads(pickle.dumps(value, protocol)) == value, (value, protocol)
        for copied in (copy.copy(value), copy.deepcopy(value)):
            assert copied == value and copied is not value
    stamped = copy.copy(pose)
    stamped._stamp(1.7e9, True, [0, 0, 0.6, 0.8])
    for restored in (pickle.loads(pickle.dumps(stamped, 0)), copy.deepcopy(stamped)):
        assert restored.reading_time == 1.7e9 and restored.is_new
        assert np.allclose(restored.orientation, [0, 0, 0.6, 0.8])

    # Readings and records have no stored form; they are immutable, so a copy is the original.
    info = tscore.KelvoGloveInfo.parse("x:KV1-L0001:KV1:2:L:x:1")
    data = tscore.KelvoSensorData.parse("", info)
    for record in (info, data, tscore.Tessara.calculate_glove_pose(tscore.TSSensorData.parse("", TS_INFO), TS_INFO)):
        assert copy.copy(record) is record and copy.deepcopy([record])[0] is record
        for protocol in PROTOCOLS:
            with pytest.raises(TypeError, match="cannot pickle"):
                pickle.dumps(record, protocol)

    # Each reader takes only its own kind of text.
    texts = {"pose": pose.to_storage(), "model": model.to_storage(), "profile": profile.to_storage()}
    readers = {"pose": tscore.HandPose.from_storage, "model": tscore.HandModel.from_storage,
               "profile": tscore.HandProfile.from_storage}
    for kind, read in readers.items():
        for other, text in texts.items():
            assert (read(text) is None) == (kind != other), (kind, other)
        for text in ("", "garbage", "{R}", "{R}{}{}{}", texts["profile"][:5]):
            assert read(text) is None, (kind, text)
    assert tscore.HandModel.from_storage(texts["model"]) == model

    # A short text: the thumb whole, the index finger with two joints, no other finger.
    short = tscore.HandPose.from_storage("{R}{{{0;0.5;0}{0;0.5;0}{0;0.5;0}}{{0;1;0}{0;1;0}}}{}{}")
    assert np.isfinite(short.flexion[0]) and np.isnan(short.flexion[1:]).all()
    assert np.isnan(short.angles[1, 2]).all() and np.isnan(short.positions).all()


def test_openxr_joints_in_metres_along_the_bones():
    for right in (True, False):
        xr = tscore.HandPose.idle(right).to_openxr()
        assert xr["is_active"] and (xr["flags"] == 15).all()
        assert xr["positions"].shape == (26, 3) and xr["orientations"].dtype == np.float32
        assert tscore.OPENXR_JOINT_NAMES[7] == "XR_HAND_JOINT_INDEX_PROXIMAL_EXT"
        # Index proximal to intermediate is the model's first index bone: 30 mm.
        assert abs(np.linalg.norm(xr["positions"][8] - xr["positions"][7]) - 0.030) < 1e-5
        # A model of the other side does not fit: nothing is valid.
        other = tscore.HandPose.idle(right).to_openxr(tscore.HandModel.default(not right))
        assert not other["is_active"] and (other["flags"] == 0).all()


@pytest.mark.parametrize("kind", FAMILIES)
def test_calibration_into_a_profile_that_round_trips_through_a_file(sim, kind, tmp_path):
    sim(f"--{kind}", "right", "--motion", "wave", "--period", "0.4")
    glove = glove_of(kind, True)
    profile = tscore.HandProfile.default(True)
    glove.reset_calibration_range()
    # Counts stay low: a loaded machine may run the stream a few times only.
    poses = list(glove.poses(rate=100, seconds=0.6, profile=profile))
    assert len(poses) > 3
    low, high = glove.calibration_range()
    assert low.shape == high.shape == (5, 3) and (high >= low).all() and (high > low).any()
    glove.update_calibration(profile)
    assert profile != tscore.HandProfile.default(True)

    path = tmp_path / "right.profile"
    profile.save(path)
    assert tscore.HandProfile.load(path) == profile
    assert tscore.HandProfile.load(str(path)) == profile
    calibrated = glove.hand_pose(profile)
    assert calibrated is not None and calibrated.is_right

    (tmp_path / "pose.txt").write_text(tscore.HandPose.idle(True).to_storage())
    with pytest.raises(ValueError, match="does not hold a hand profile"):
        tscore.HandProfile.load(tmp_path / "pose.txt")
    with pytest.raises(FileNotFoundError):
        tscore.HandProfile.load(tmp_path / "missing.profile")


def test_command_bytes_reach_the_simulator(sim):
    s = sim("--tessara", "right", "--kelvo", "left")
    exo, kelvo = glove_of("tessara"), glove_of("kelvo")
    assert exo.last_thumper is tscore.ThumperEffect.NONE and kelvo.last_thumper == 0
    exo.send_haptics(ffb=[0, 50, 50], buzz=80)
    s.wait_for(lambda l: l.startswith("haptics device0 tessara ffb=0,50,50,0,0 buzz=80,80,80,80,80 thumper=126"))
    exo.send_haptics(thumper=tscore.ThumperEffect.KNOCK)
    s.wait_for(lambda l: l.startswith("haptics device0 tessara ffb=0,50,50,0,0 buzz=80,80,80,80,80 thumper=3"))
    assert exo.last_ffb == (0, 50, 50, 0, 0) and exo.last_buzz == (80,) * 5
    assert exo.last_thumper is tscore.ThumperEffect.KNOCK
    exo.stop_haptics()
    s.wait_for(lambda l: l.startswith("haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 thumper=126"))
    assert exo.last_thumper is tscore.ThumperEffect.NONE

    with warnings.catch_warnings():
        warnings.simplefilter("error")  # the glove's own counts of channels warn of nothing
        kelvo.send_haptics(ffb=[10, 20, 30, 40], buzz=np.array([10, 20]), thumper=40)
    s.wait_for(lambda l: l.startswith("haptics device1 kelvo ffb=10,20,30,40 buzz=10,20 thumper=40"))
    with pytest.warns(UserWarning) as caught:
        kelvo.send_haptics(ffb=[0, 0, 0, 0, 50], buzz=[0, 0, 0, 30])
    assert [str(w.message) for w in caught] == [
        "a Kelvo has no force feedback on the pinky: its level 50 is not sent",
        "a Kelvo vibrates on the thumb and index finger only: the levels 0 and 30 for the middle finger and "
        "ring finger are not sent"]
    s.wait_for(lambda l: l.startswith("haptics device1 kelvo ffb=0,0,0,0 buzz=0,0 thumper=40"))
    assert kelvo.last_thumper == 40
    kelvo.stop_haptics()
    s.wait_for(lambda l: l.startswith("haptics device1 kelvo ffb=0,0,0,0 buzz=0,0 thumper=0"))
    assert kelvo.last_buzz == (0,) * 5 and kelvo.last_thumper == 0


def test_bad_arguments_raise_with_a_message(sim):
    sim("--tessara", "right", "--kelvo", "left")
    exo, kelvo = glove_of("tessara"), glove_of("kelvo")
    cases = [
        (ValueError, "0 to 100", lambda: exo.send_haptics(ffb=101)),
        (ValueError, "0 to 100", lambda: exo.send_haptics(buzz=[0, -1])),
        (ValueError, "at most five", lambda: exo.send_haptics(ffb=[0] * 6)),
        (TypeError, "sequence of up to five", lambda: exo.send_haptics(ffb="50")),
        (TypeError, "whole number", lambda: exo.send_haptics(ffb=[0.5])),
        (ValueError, "needs ffb, buzz or thumper", lambda: exo.send_haptics()),
        (ValueError, "ThumperEffect", lambda: exo.send_haptics(thumper=7)),
        (TypeError, "not a ThumperEffect", lambda: kelvo.send_haptics(thumper=tscore.ThumperEffect.TAP)),
        (ValueError, "0 to 100", lambda: kelvo.send_haptics(thumper=101)),
        (TypeError, "integer scalar", lambda: kelvo.send_haptics(thumper=np.array([1, 2]))),
        (TypeError, "", lambda: exo.hand_pose(profile="default")),
        (TypeError, "", lambda: tscore.glove(right="left")),
        (ValueError, "rate", lambda: exo.poses(rate=0)),
        (TypeError, "rate", lambda: exo.poses(rate="fast")),
        (ValueError, "seconds", lambda: exo.poses(seconds=-1)),
        (ValueError, "debug level", lambda: tscore.set_debug_level(4)),
        (ValueError, "finger", lambda: tscore.HandModel.default(True).set_finger_lengths(5, [40, 30, 20])),
        (ValueError, "shape \\(5, 3, 3\\)",
         lambda: tscore.HandPose(True, np.zeros((5, 3)), np.zeros((5, 4, 3)), np.zeros((5, 4, 4)))),
        (TypeError, "array of numbers", lambda: tscore.to_euler(["x", None])),
    ]
    for error, message, call in cases:
        with pytest.raises(error, match=message):
            call()
    assert exo.last_ffb == (0,) * 5  # nothing was sent


def test_a_stream_stamps_its_readings_and_ends_when_the_glove_or_the_service_goes(sim):
    s = sim("--tessara", "right", "--kelvo", "left")  # 60 readings a second
    exo, kelvo = glove_of("tessara"), glove_of("kelvo")
    before = time.time()
    poses = list(exo.poses(rate=150, seconds=0.5))
    new = np.array([p.is_new for p in poses])
    times = np.array([p.reading_time for p in poses])
    assert new[0] and 0 < new.sum() < len(new), new  # a stream faster than the glove repeats readings
    assert before <= times[0] and (np.diff(times)[new[1:]] > 0).all() and (np.diff(times)[~new[1:]] == 0).all()
    assert times[-1] <= time.time() and all(np.isfinite(p.orientation).all() for p in poses)
    # Each stream tells new readings apart for itself, whatever else reads the glove between.
    a, b = exo.poses(rate=1000), exo.poses(rate=1000)
    ticks = [(next(a), next(b), exo.hand_pose()) for _ in range(60)]
    new_in = [{p.reading_time for p in column if p.is_new} for column in zip(*ticks)]
    assert len(new_in[0]) > 2 and len(new_in[0] ^ new_in[1]) <= 1 and len(new_in[2]) < len(new_in[0]), new_in

    # Disconnected or stopped, the stream ends at once, even when it waits for readings forever.
    def ends_soon(stop):
        started = time.monotonic()
        got = 0
        for pose in kelvo.poses(rate=100, seconds=5, timeout=None):
            got += 1
            if got == 5:
                stop()
        assert got >= 5 and time.monotonic() - started < 2.5

    ends_soon(lambda: s.control(b"disconnect 1"))
    s.control(b"connect 1")
    ends_soon(s.stop)
    assert exo.hand_pose() is None and exo.sensor_text() is None and exo.imu_rotation() is None
    assert not tscore.service_running() and tscore.glove() is None
    assert list(exo.poses(seconds=1)) == []


def until(condition, timeout: float = 1.0):  # type: ignore[no-untyped-def]
    """Seconds until condition() held; AssertionError after timeout."""
    started = time.monotonic()
    while not condition():
        assert time.monotonic() - started < timeout, f"{condition} not true within {timeout} s"
        time.sleep(0.005)
    return time.monotonic() - started


def test_streams_follow_the_one_rule_through_stale_stopped_and_restarted_services(sim):
    s = sim("--tessara", "right")
    exo = glove_of("tessara")
    assert tscore.service_state() is tscore.ServiceState.RUNNING == "running" and tscore.service_stamp_age() in (0, 1)
    stream = exo.poses(rate=100, timeout=None)
    assert any(next(stream).is_new for _ in range(20))

    # Stale: the last pose again and again, never new, whatever the segments hold.
    s.control(b"scan -5")
    until(lambda: tscore.service_state() is tscore.ServiceState.STALE)
    assert tscore.service_stamp_age() in (5, 6) and exo.hand_pose() is not None  # the last reading, said stale
    held = [next(stream) for _ in range(30)][10:]  # past the ticks of the reader's previous check
    assert not any(p.is_new for p in held) and len({p.reading_time for p in held}) == 1 and held[0] == held[-1]
    s.control(b"scan 0")
    until(lambda: next(stream).is_new)
    # Stopped by its stamp (10 s old), the segments still there: nothing passes for a reading.
    s.control(b"scan -20")
    assert until(lambda: next(stream, None) is None) < 0.5
    assert tscore.service_state() is tscore.ServiceState.STOPPED and exo.hand_pose() is None
    assert exo.sensor_text() is None and exo.imu_rotation() is None
    assert exo.sensor_text(per_call=True) and exo.hand_pose(per_call=True) is not None  # the per-call path reads on
    s.control(b"scan 0")

    # Restarted with the same glove: a stream ends (another service's segments), the object
    # reads on, and discovery gives the new service's object for it.
    stream = exo.poses(rate=100, timeout=None)
    next(stream)
    sim("--tessara", "right", "--takeover")
    assert until(lambda: next(stream, None) is None) < 1.0
    again = first(tscore.glove)
    assert again != exo and again.device_id == exo.device_id and first(exo.hand_pose) is not None
    # Restarted with other devices: the glove is gone, the new one found within a second.
    stream = again.poses(rate=100, timeout=None)
    next(stream)
    sim("--kelvo", "right", "--takeover")
    assert until(lambda: next(stream, None) is None) < 1.0
    assert until(lambda: isinstance(tscore.glove(), tscore.Kelvo)) < 1.0
    assert exo.hand_pose() is None and again.hand_pose() is None and tscore.glove().hand_pose() is not None


def test_threads_read_poses_at_once(sim):
    sim("--tessara", "right", "--kelvo", "left")
    gloves = [glove_of("tessara"), glove_of("kelvo")]
    shared = tscore.glove(right=True)
    results: dict = {}

    def read(name, glove):
        try:
            results[name] = [p.flexion.copy() for p in glove.poses(rate=500, seconds=0.5)]
            glove.send_haptics(buzz=10)
        except Exception as error:  # surfaced by the assertion below
            results[name] = error

    threads = [threading.Thread(target=read, args=(i, g)) for i, g in enumerate(gloves + [shared, shared])]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for name, poses in results.items():
        assert isinstance(poses, list) and len(poses) > 3, (name, poses)
        assert np.isfinite(np.array(poses)).all()


@pytest.mark.parametrize("kind", FAMILIES)
def test_offline_computation_matches_the_device(sim, kind):
    s = sim(f"--{kind}", "right", "--motion", "fist")
    glove = glove_of(kind)
    text = first(glove.sensor_text)
    s.control(b"data 0 " + text.encode())  # the text no longer moves
    profile = tscore.HandProfile.default(True)
    live = first(lambda: glove.hand_pose(profile))
    if kind == "tessara":
        data = tscore.TSSensorData.parse(text, glove.info)
        assert data.parsed_values == glove.info.num_sensors and data.angles.shape == (5, 4)
        offline = tscore.Tessara.calculate_hand_pose(tscore.Tessara.calculate_glove_pose(data, glove.info), profile)
    else:
        data = tscore.KelvoSensorData.parse(text, glove.info)
        assert data.values.shape == (4, 3)
        offline = tscore.Kelvo.calculate_hand_pose(data, profile)
    assert offline == live and data == glove.sensor_data()
    # The per-call path reads the same text into the same pose.
    assert glove.hand_pose(profile, per_call=True) == live and glove.sensor_text(per_call=True) == text
    assert np.array_equal(glove.imu_rotation(), glove.imu_rotation(per_call=True))


def test_a_recording_gives_the_poses_the_live_glove_gives(sim, tmp_path):
    cli = os.environ.get("TSCORE_CLI", "")
    if not os.access(cli, os.X_OK):
        pytest.skip("TSCORE_CLI does not name the tscore executable; run the tests through ctest")
    s = sim("--tessara", "right", "--kelvo", "left", "--beta", "dev7:HW2:v1.4", "--motion", "wave")
    path = tmp_path / "session.jsonl"
    subprocess.run([cli, "record", "--out", str(path), "--seconds", "0.4"], check=True, capture_output=True)
    s.stop()
    devices = tscore.read_recording(path)
    assert list(devices) == ["device0", "device1", "device2"]
    exo, kelvo, beta = devices.values()
    assert (exo.device_type, exo.is_right, kelvo.device_type, kelvo.is_right) == (
        tscore.DeviceType.TESSARA, True, tscore.DeviceType.KELVO, False)
    for glove in (exo, kelvo):
        n = len(glove)
        assert n > 3 and glove.complete.all() and (np.diff(glove.t) > 0).all() and len(glove.texts) == n
        assert glove.angles.shape == (n, 5, 3, 3) and glove.orientation.shape == (n, 4)
        assert np.isfinite(glove.flexion).all() and glove.flexion.std(axis=0).max() > 0.01  # it moved
    assert beta.device_id is None and not beta.complete.any() and np.isnan(beta.angles).all()
    assert beta.texts[0].startswith("beta") and beta.pose(0) is None

    # Replayed, the live glove ends on the last texts and gives the pose recorded for them.
    tscore.dispose()
    tscore.reinitialize()
    sim("--replay", str(path))
    for key, kind in (("device0", "tessara"), ("device1", "kelvo")):
        live = glove_of(kind)
        first(lambda: live.sensor_text() == devices[key].texts[-1] or None)
        assert live.hand_pose() == devices[key].pose(len(devices[key]) - 1), key

    text = path.read_text()
    (tmp_path / "cut.jsonl").write_text(text + '{"kind":"data","t":9')
    with pytest.warns(UserWarning, match=r"cut.jsonl:\d+: the last line is damaged"):
        assert len(tscore.read_recording(tmp_path / "cut.jsonl")["device0"]) == len(exo)
    header = text.splitlines()[0]
    for content, message in (("", "empty recording"), ('{"format":"other"}', ":1: not a tscore recording"),
                             (header + '\n{"kind":"data","t":1,"key":"device5","text":""}',
                              ":2: data for device5, which has no device line"),
                             (header + "\n[1]\n" + header, ":2: not a JSON object")):
        (tmp_path / "bad.jsonl").write_text(content)
        with pytest.raises(ValueError, match=message):
            tscore.read_recording(tmp_path / "bad.jsonl")
    with pytest.raises(FileNotFoundError):
        tscore.read_recording(tmp_path / "missing.jsonl")


def test_hostile_texts_never_raise(sim):
    s = sim("--tessara", "right")
    glove = glove_of("tessara")
    s.control(b"record 1 1@0@-1@{ID\xff\xfe:HW:v1.0}@addr\xc3@x")
    s.control(b"data 0 0:not;numbers|\xff:garbage")
    beta = first(lambda: tscore.devices()[1:] or None)[0]
    assert beta.device_id == "ID\ufffd\ufffd" and beta.address() == "addr\ufffd"
    assert beta.connection_type() == tscore.ConnectionType.UNKNOWN
    assert glove.hand_pose() is None and glove.sensor_data() is None and glove.sensor_text().endswith("garbage")
    assert tscore.TSGloveInfo.parse("C:garbage") is None and tscore.KelvoGloveInfo.parse("") is None
    assert tscore.HandProfile.from_storage("{R}{x}") is None


def test_log_lines_reach_python_stdout(sim, capsys):
    sim("--tessara", "right")
    tscore.set_debug_level(tscore.DebugLevel.VERBOSE)
    try:
        print("before")
        first(lambda: tscore.devices() or None)
        print("after")
    finally:
        tscore.set_debug_level(tscore.DebugLevel.OFF)
    out = capsys.readouterr().out.splitlines()
    detected = [i for i, line in enumerate(out) if line.startswith("Reading device0 as a device with ID")]
    assert out[0] == "before" and out[-1] == "after" and detected, out
    assert tscore.debug_level() is tscore.DebugLevel.OFF
