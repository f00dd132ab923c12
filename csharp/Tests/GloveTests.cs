using System;
using System.Collections.Generic;
using System.Globalization;
using System.IO;
using System.Text.RegularExpressions;
using NUnit.Framework;

namespace TSCore.Tests
{
    /// <summary>The package against the real simulator, as an application uses it.</summary>
    [TestFixture]
    public class GloveTests
    {
        private static readonly string[] Gloves2 = { "--tessara", "right", "--kelvo", "left", "--beta", "dev7:HW2:v1.4" };

        [Test]
        public void DiscoveryFindsEveryDeviceAndGlove()
        {
            Assert.AreEqual("TSCore C++ Library v1.1.1", Gloves.Version);
            SimProcess.RemoveSegments();
            Assert.AreEqual(ServiceState.Stopped, Gloves.ReadServiceStatus().State);
            Assert.IsNull(Gloves.FirstGlove());
            using (new SimProcess(Gloves2))
            {
                ServiceStatus service = Gloves.ReadServiceStatus();
                Assert.IsTrue(service.State == ServiceState.Running && service.HasStamp && service.StampAge <= 1);
                Assert.AreEqual(3, Gloves.DeviceCount());
                Assert.AreEqual(2, Gloves.GloveCount());
                using (Device beta = Gloves.OpenDevice(2))
                {
                    Assert.IsNotInstanceOf<Glove>(beta);
                    Assert.AreEqual("dev7", beta.Id);
                    Assert.AreEqual("HW2", beta.Hardware);
                    Assert.AreEqual("device2", beta.Key);
                    Assert.AreEqual(DeviceType.Beta, beta.Info.Type);
                }
                using (Glove tessara = Gloves.OpenGlove(0))
                using (Glove kelvo = Gloves.FirstGlove(Side.Left))
                {
                    Assert.AreEqual("Tessara QX7.2-R0001", tessara.Name);
                    Assert.IsTrue(tessara.IsRight && tessara.Info.Connected && tessara.Info.Firmware == 4);
                    Assert.AreEqual("KV1-L0001", kelvo.Id);
                    Assert.AreEqual(1, kelvo.Info.GloveIndex);
                    Assert.IsNotEmpty(tessara.SensorText);
                }
                using (var reader = new Reader())
                {
                    Assert.AreEqual(3, reader.DeviceCount);
                    Assert.AreEqual(1, reader.FindGlove(Side.Left));
                    Assert.AreEqual(DeviceType.Beta, reader.Info(2).Type);
                }
            }
        }

        [Test]
        public void PosesEqualWhatTscorePosePrints()
        {
            string cli = Environment.GetEnvironmentVariable("TSCORE_CLI");
            if (string.IsNullOrEmpty(cli))
                Assert.Ignore("TSCORE_CLI does not name tscore: run the tests through ctest");
            using (var sim = new SimProcess(Gloves2))
            using (var reader = new Reader())
            {
                for (int device = 0; device < 2; ++device)
                {
                    sim.Control("flex " + device + " 0.3,0.6,0.2,0.8,0.5");
                    string json = SimProcess.Run(cli, "pose --device " + device + " --json");
                    using (Glove glove = Gloves.OpenGlove(device))
                    using (var pose = new HandPose(glove.IsRight))
                    using (var fromReader = new HandPose(glove.IsRight))
                    {
                        Assert.IsTrue(glove.ReadHandPose(pose));
                        Reading reading;
                        Assert.IsTrue(reader.ReadHandPose(device, fromReader, null, out reading));
                        Assert.AreEqual(GloveState.Live, reading.State);
                        Assert.AreEqual(pose, fromReader);
                        ExpectSame(json, "jointAngles", pose.CopyAngles, HandPose.AngleCount);
                        ExpectSame(json, "jointAngles", a => pose.CopyTo(a, null, null, null), HandPose.AngleCount);
                        ExpectSame(json, "positions", pose.CopyPositions, HandPose.PositionCount);
                        ExpectSame(json, "rotations", pose.CopyRotations, HandPose.RotationCount);
                        ExpectSame(json, "normalizedFlexion", a => pose.CopyFlexion(a), HandPose.FlexionCount);
                        using (var arrays = new PoseArrays())
                        {
                            pose.CopyTo(arrays);
                            ExpectSame(json, "rotations", a => arrays.Rotations.CopyTo(a, 0), HandPose.RotationCount);
                        }
                    }
                }
            }
        }

        // Every number of the key's entries, finger after finger, against the pose's array.
        private static void ExpectSame(string json, string key, Action<float[]> copy, int count)
        {
            var expected = new List<float>();
            foreach (Match entry in Regex.Matches(json, "\"" + key + "\":(\\[\\[.*?\\]\\]|[-0-9.e]+)"))
                foreach (Match number in Regex.Matches(entry.Groups[1].Value, "-?[0-9][0-9.e+-]*"))
                    expected.Add(float.Parse(number.Value, CultureInfo.InvariantCulture));
            var actual = new float[count];
            copy(actual);
            CollectionAssert.AreEqual(expected, actual, key + " differs from tscore pose --json");
        }

        [Test]
        public void HapticsReachTheSimulator()
        {
            using (var sim = new SimProcess(Gloves2))
            using (Glove tessara = Gloves.OpenGlove(0))
            using (Glove kelvo = Gloves.OpenGlove(1))
            {
                Assert.AreEqual(Status.Ok, tessara.SendHaptics(new[] { 0, 50, 50, 0, 0 }, new[] { 0, 80, 0, 0, 0 }, Thumper.Tap));
                StringAssert.StartsWith("haptics device0 tessara ffb=0,50,50,0,0 buzz=0,80,0,0,0 thumper=1 ",
                                        sim.WaitFor("haptics device0"));
                Assert.AreEqual(Status.Ok, kelvo.SendHaptics(new[] { 10, 20, 30, 40 }, new[] { 5, 6 }, 40));
                StringAssert.StartsWith("haptics device1 kelvo ffb=10,20,30,40 buzz=5,6 thumper=40 ", sim.WaitFor("haptics device1"));
                Assert.AreEqual(Status.Ok, tessara.StopHaptics());
                StringAssert.StartsWith("haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 thumper=126 ",
                                        sim.WaitFor("haptics device0"));
                sim.Control("disconnect 1");
                Assert.AreEqual(Status.NotConnected, kelvo.SendHaptics(null, new[] { 0, 90 }));
                sim.Control("stale");
                Assert.AreEqual(Status.ServiceNotRunning, tessara.SendHaptics(new[] { 0, 10, 0, 0, 0 }, null));
            }
        }

        [Test]
        public void BadArgumentsThrowWithMessages()
        {
            using (var sim = new SimProcess(Gloves2))
            using (var reader = new Reader())
            using (Glove glove = Gloves.OpenGlove(0))
            {
                var pose = new HandPose(true);
                Thrown<ArgumentOutOfRangeException>(() => glove.SendHaptics(new[] { 0, 101, 0, 0, 0 }, null),
                                                    "ffb[1] is 101: levels are 0 to 100");
                Thrown<ArgumentOutOfRangeException>(() => glove.SendHaptics(null, null, 50), "effect code");
                Thrown<ArgumentOutOfRangeException>(() => glove.SendHaptics(new[] { 1, 2 }, null), "this glove takes 5");
                Thrown<ArgumentException>(() => pose.CopyAngles(new float[44]), "44 elements, 45 are needed");
                Thrown<ArgumentNullException>(() => pose.CopyRotations(null), "out is NULL");
                Thrown<TSCoreException>(() => Gloves.OpenGlove(7), "there is no glove 7: 2 known");
                Thrown<InvalidOperationException>(() => reader.ReadHandPose(2, pose, null, out Reading r), "not a glove");
                Thrown<ArgumentOutOfRangeException>(() => reader.ReadImuRotation(-1, out Quat q), "0 or more");
                Thrown<FormatException>(() => HandProfile.FromStorage(pose.ToStorage()), "not a stored hand profile");
                Thrown<ArgumentException>(() => HandPose.FromStorage("{R}\ud800"), "no UTF-8 form");
                Thrown<ArgumentException>(() => HandProfile.Load("left\0.profile"), "contains a NUL character");
                Thrown<IOException>(() => HandPose.Load("/nonexistent/right.pose"), "No such file or directory");
                var arrays = new PoseArrays();
                arrays.Dispose();
                Thrown<ObjectDisposedException>(() => pose.CopyTo(arrays), "PoseArrays");
                pose.Dispose();
                Thrown<ObjectDisposedException>(() => pose.CopyFlexion(new float[5]), "");
                Thrown<ObjectDisposedException>(() => glove.ReadHandPose(pose), "");
            }
        }

        private static void Thrown<T>(TestDelegate call, string message) where T : Exception
        {
            var e = Assert.Throws<T>(call);
            StringAssert.Contains(message, e.Message);
        }

        [Test]
        public void ProfilesAndPosesRoundTripThroughFiles()
        {
            string dir = Path.Combine(Path.GetTempPath(), "tscore-cs-" + Guid.NewGuid());
            Directory.CreateDirectory(dir);
            try
            {
                using (var profile = new HandProfile(false))
                using (var pose = new HandPose(true))
                {
                    profile.Save(Path.Combine(dir, "left.profile"));
                    using (HandProfile loaded = HandProfile.Load(Path.Combine(dir, "left.profile")))
                        Assert.IsTrue(loaded.Equals(profile) && !loaded.IsRight);
                    using (HandPose again = HandPose.FromStorage(pose.ToStorage()))
                        Assert.AreEqual(pose, again);
                    var joints = new XrJoint[HandPose.XrJointCount];
                    Assert.IsTrue(pose.LocateOpenXR(true, joints));
                    Assert.AreEqual(0xFul, joints[25].LocationFlags);
                    Assert.AreEqual("XR_HAND_JOINT_INDEX_PROXIMAL_EXT", HandPose.XrJointName(7));
                }
            }
            finally
            {
                Directory.Delete(dir, true);
            }
        }

        [Test]
        public void NothingLeaksOver10000Reads()
        {
            using (new SimProcess("--tessara", "right"))
            using (var reader = new Reader())
            using (var pose = new HandPose(true))
            {
                var arrays = new PoseArrays();
                Reading reading;
                Action read = () =>
                {
                    reader.Update();
                    reader.ReadHandPose(0, pose, null, out reading);
                    pose.CopyTo(arrays);
                };
                for (int i = 0; i < 1000; ++i)
                    read();
                GC.Collect(); // earlier tests' processes close their pipes here, not during the count
                GC.WaitForPendingFinalizers();
                int descriptors = Directory.GetFiles("/proc/self/fd").Length;
                long rss = ResidentKilobytes();
                long allocated = GC.GetAllocatedBytesForCurrentThread();
                for (int i = 0; i < 10000; ++i)
                    read();
                Assert.AreEqual(0, GC.GetAllocatedBytesForCurrentThread() - allocated, "managed bytes allocated");
                Assert.Less(ResidentKilobytes() - rss, 2 * 1024, "resident memory grew by more than 2 MB");
                // Objects disposed, and objects left to the finalizer, free their native handles too.
                for (int i = 0; i < 10000; ++i)
                {
                    new HandPose(i % 2 == 0).Dispose();
                    if (i % 10 == 0)
                        new HandProfile(true);
                }
                GC.Collect();
                GC.WaitForPendingFinalizers();
                Assert.LessOrEqual(Directory.GetFiles("/proc/self/fd").Length, descriptors, "open descriptors");
                Assert.Less(ResidentKilobytes() - rss, 8 * 1024, "resident memory grew by more than 8 MB");
            }
        }

        private static long ResidentKilobytes()
        {
            foreach (string line in File.ReadAllLines("/proc/self/status"))
                if (line.StartsWith("VmRSS:", StringComparison.Ordinal))
                    return long.Parse(Regex.Match(line, "[0-9]+").Value, CultureInfo.InvariantCulture);
            return 0;
        }
    }
}
