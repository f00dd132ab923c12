"""The package against the real tesslink-sim: discovery, poses, calibration, haptics, faults."""

from __future__ import annotations

import pickle
import threading
import time

import numpy as np
import pytest

import tscore
from conftest import first, glove_of

FAMILIES = ["tessara", "kelvo"]


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
    copy = tscore.tessara()
    assert isinstance(copy, tscore.Tessara) and copy != exo and copy.device_id == exo.device_id
    assert [k.device_id for k in tscore.kelvos()] == [kelvo.device_id]
    assert tscore.kelvo(right=True) is None and tscore.tessaras(only_connected=False)[0].key == "device0"


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


def test_a_pose_view_outlives_its_pose_and_poses_round_trip():
    angles = tscore.HandPose.idle(False).angles
    assert angles.base is not None and np.isfinite(angles).all()  # the view keeps the pose alive

    pose = tscore.HandPose.idle(True)
    again = tscore.HandPose(True, pose.angles, pose.positions, pose.rotations)
    assert again == pose and again is not pose
    assert tscore.HandPose.from_storage(pose.to_storage()) == pose
    assert pickle.loads(pickle.dumps(pose)) == pose
    assert pose != tscore.HandPose.idle(False) and pose != "pose"
    assert "Index" in pose.to_string() and "right" in repr(pose)
    for text in ("", "garbage", "{R}", tscore.HandProfile.default(True).to_storage()[:5]):
        assert tscore.HandPose.from_storage(text) is None, text


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
    poses = list(glove.poses(rate=100, seconds=0.6, profile=profile))
    assert len(poses) > 20
    low, high = glove.calibration_range()
    assert low.shape == high.shape == (5, 3) and (high >= low).all() and (high > low).any()
    glove.update_calibration(profile)
    assert profile != tscore.HandProfile.default(True)

    path = tmp_path / "right.profile"
    profile.save(path)
    assert tscore.HandProfile.load(path) == profile
    assert tscore.HandProfile.load(str(path)) == profile
    assert pickle.loads(pickle.dumps(profile)) == profile
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
    exo.send_haptics(ffb=[0, 50, 50], buzz=80)
    s.wait_for(lambda l: l.startswith("haptics device0 tessara ffb=0,50,50,0,0 buzz=80,80,80,80,80 thumper=126"))
    exo.send_haptics(thumper=tscore.ThumperEffect.KNOCK)
    s.wait_for(lambda l: l.startswith("haptics device0 tessara ffb=0,50,50,0,0 buzz=80,80,80,80,80 thumper=3"))
    assert exo.last_ffb == (0, 50, 50, 0, 0) and exo.last_buzz == (80,) * 5

    kelvo.send_haptics(buzz=np.array([10, 20]), thumper=40)
    s.wait_for(lambda l: l.startswith("haptics device1 kelvo ffb=0,0,0,0 buzz=10,20 thumper=40"))
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


def test_the_service_stopping_mid_iteration_ends_the_iterator(sim):
    s = sim("--tessara", "right")
    glove = glove_of("tessara")
    got = []
    started = time.monotonic()
    for pose in glove.poses(rate=100, timeout=0.3):
        got.append(pose)
        if len(got) == 5:
            s.stop()
    assert len(got) >= 5 and time.monotonic() - started < 3
    assert glove.hand_pose() is None and glove.sensor_text() is None and glove.imu_rotation() is None
    assert not tscore.service_running() and tscore.glove() is None


def test_two_threads_read_poses_at_once(sim):
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
        assert isinstance(poses, list) and len(poses) > 20, (name, poses)
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
    detected = [i for i, line in enumerate(out) if line.startswith("Detected a new device with ID")]
    assert out[0] == "before" and out[-1] == "after" and detected, out
    assert tscore.debug_level() is tscore.DebugLevel.OFF
