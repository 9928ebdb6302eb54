// Drives a running OBS frontend with velmora-plugin over obs-websocket, as a
// remote controller does: keyed and bare screenshots, the vendor requests,
// and the camera output. Every failed check is listed; the exit status is 1
// when there is one.
//   node frontend-test.mjs PORT PICTURE.png CAMERA_FILE
import OBSWebSocket from 'obs-websocket-js';
import { PNG } from 'pngjs';
import fs from 'node:fs';
import path from 'node:path';

const [port, picturePath, cameraFile] = process.argv.slice(2);
const picture = PNG.sync.read(fs.readFileSync(picturePath));
const [WIDTH, HEIGHT] = [picture.width, picture.height];
const SOURCE = 'greenscreen';
const KEYER = { sourceName: SOURCE, filterName: 'keyer' };
const GREEN = [40, 40]; // key-coloured background
const BODY = [300, 160]; // grey shirt
// Solid colours; they read the texture coordinate, as OpenGL needs.
const TINT_TEXT = `uniform float4 tint = {1.0, 0.0, 0.0, 1.0};
float4 mainImage(VertData v_in) : TARGET
{
	return tint * step(-1.0, v_in.uv.x);
}`;
const SHADERTOY_TEXT = `void mainImage( out vec4 fragColor, in vec2 fragCoord )
{
	fragColor = vec4(0.0, 0.0, 1.0, 1.0) * step(-1.0, fragCoord.x / iResolution.x);
}`;
const BROKEN_TEXT = `float4 mainImage(VertData v_in) : TARGET
{
	return image.Sample(textureSampler, v_in.uv) * no_such_gain;
}`;

const obs = new OBSWebSocket();
const failures = [];
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const show = (value) => JSON.stringify(value);

// Checks the screenshot's pixel on the green background.
async function checkGreen(what, want, tolerance) {
	const got = rgba(await screenshot(), GREEN);
	check(what, near(got, want, tolerance), `${show(got)} instead of ${show(want)}`);
}

function check(what, ok, detail = '') {
	console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || !detail ? '' : ': ' + detail}`);
	if (!ok) failures.push(what);
}

const vendor = (requestType, requestData) =>
	obs.call('CallVendorRequest', { vendorName: 'velmora-plugin', requestType, ...(requestData && { requestData }) })
		.then((reply) => reply.responseData);
const setKeyer = (filterSettings) =>
	obs.call('SetSourceFilterSettings', { ...KEYER, filterSettings }).then(() => sleep(200));
const keyerSettings = () =>
	obs.call('GetSourceFilter', KEYER).then((reply) => reply.filterSettings);

async function screenshot() {
	const { imageData } = await obs.call('GetSourceScreenshot', { sourceName: SOURCE, imageFormat: 'png' });
	return PNG.sync.read(Buffer.from(imageData.split(',')[1], 'base64'));
}

const rgba = (png, [x, y]) => [...png.data.subarray((y * png.width + x) * 4, (y * png.width + x) * 4 + 4)];
const near = (a, b, tolerance) => a.length === b.length && a.every((v, i) => Math.abs(v - b[i]) <= tolerance);

// The worst pixel of a screenshot against the picture (every 4th pixel).
function worstPixel(shot) {
	let worst = { difference: -1 };
	for (let y = 0; y < HEIGHT; y += 4)
		for (let x = 0; x < WIDTH; x += 4) {
			const [a, b] = [rgba(shot, [x, y]), rgba(picture, [x, y])];
			const difference = Math.max(...a.map((v, i) => Math.abs(v - b[i])));
			if (difference > worst.difference) worst = { difference, at: [x, y], got: a, want: b };
		}
	return worst;
}

async function connect() {
	for (let attempt = 0; ; attempt++) {
		try {
			return await obs.connect(`ws://127.0.0.1:${port}`);
		} catch (error) {
			if (attempt === 120) throw error;
			await sleep(500);
		}
	}
}

async function setUp() {
	await obs.call('SetVideoSettings', {
		baseWidth: WIDTH, baseHeight: HEIGHT, outputWidth: WIDTH, outputHeight: HEIGHT,
		fpsNumerator: 30, fpsDenominator: 1,
	});
	const { currentProgramSceneName: scene } = await obs.call('GetCurrentProgramScene');
	await obs.call('CreateInput', {
		sceneName: scene, inputName: SOURCE, inputKind: 'image_source',
		inputSettings: { file: path.resolve(picturePath) },
	});
	await obs.call('CreateSourceFilter', { ...KEYER, filterKind: 'velmora-matting' });
	const chroma = { sourceName: scene, filterName: 'chroma' }; // only asked about
	await obs.call('CreateSourceFilter', { ...chroma, filterKind: 'chroma_key_filter_v2' });
	await obs.call('SetSourceFilterEnabled', { ...chroma, filterEnabled: false });
	for (let i = 0; i < 100 && (await vendor('GetFilterStatus', KEYER)).width !== WIDTH; i++)
		await sleep(100);
	return scene;
}

async function checkPictures() {
	const keyed = await screenshot();
	check('keyed: the green background is transparent', rgba(keyed, GREEN)[3] <= 5, show(rgba(keyed, GREEN)));
	check('keyed: the person is opaque', rgba(keyed, BODY)[3] === 255, show(rgba(keyed, BODY)));

	await setKeyer({ Key_color: 0x0032c581 }); // alpha 0: pass-through
	const worst = worstPixel(await screenshot());
	check('bare pass-through equals the source', worst.difference <= 2,
		`at ${show(worst.at)} ${show(worst.got)} instead of ${show(worst.want)}`);
}

async function checkVendorRequests(scene) {
	await setKeyer({ shader_text: TINT_TEXT });
	await checkGreen('edited text alone changes nothing', rgba(picture, GREEN), 2);
	let reply = await vendor('ReloadEffect', KEYER);
	check('ReloadEffect builds the edited text', show(reply) === show({ lastError: '' }), show(reply));
	await checkGreen('ReloadEffect: the picture is the new effect\'s', [255, 0, 0, 255], 1);
	reply = await vendor('GetFilterStatus', KEYER);
	check('GetFilterStatus', reply.lastError === '' && reply.width === WIDTH && reply.height === HEIGHT &&
		show(reply.parameters) === show([{ name: 'tint' }]), show(reply));

	await setKeyer({ shader_text: SHADERTOY_TEXT });
	reply = await vendor('ConvertShader', KEYER);
	check('ConvertShader converts and builds', show(reply) === show({ converted: true, lastError: '' }), show(reply));
	check('ConvertShader: the text is converted',
		(await keyerSettings()).shader_text.includes('float4 mainImage(VertData v_in) : TARGET'));
	await checkGreen('ConvertShader: the picture is the converted shader\'s', [0, 0, 255, 255], 1);
	reply = await vendor('ConvertShader', KEYER);
	check('ConvertShader a second time converts nothing', reply.converted === false && reply.lastError === '', show(reply));

	await setKeyer({ shader_text: BROKEN_TEXT });
	reply = await vendor('ReloadEffect', KEYER);
	const stored = (await keyerSettings()).last_error;
	check('a broken text: the driver\'s message in the reply', /no_such_gain/.test(reply.lastError) && !reply.error,
		show(reply));
	check('a broken text: the same message in last_error', stored === reply.lastError, show(stored));
	await checkGreen('a broken text: the source shows unchanged', rgba(picture, GREEN), 2);

	const before = show(await keyerSettings());
	const refusals = [
		['ReloadEffect', { ...KEYER, sourceName: 'no such source' }, /no source named "no such source"/],
		['ConvertShader', { ...KEYER, filterName: 'no such filter' }, /has no filter named "no such filter"/],
		['GetFilterStatus', { sourceName: scene, filterName: 'chroma' }, /"chroma_key_filter(_v2)?" filter, not velmora-matting/],
		['ReloadEffect', { sourceName: SOURCE }, /"filterName" \(a string\)/],
		['ConvertShader', { sourceName: 7, filterName: 'keyer' }, /"sourceName" \(a string\), got another type/],
	];
	for (const [type, data, error] of refusals) {
		reply = await vendor(type, data);
		check(`${type} ${show(data)} is refused`, Object.keys(reply).join() === 'error' && error.test(reply.error),
			show(reply));
	}
	check('refused requests change nothing', show(await keyerSettings()) === before);
	const unknown = await vendor('NoSuchRequest').then(() => 'answered', (error) => error.message);
	check('an unknown request type is refused by obs-websocket', unknown !== 'answered', unknown);
}

async function checkCamera() {
	const cameraStatus = () => vendor('GetCameraStatus');
	// Back to the built-in keyer, passing everything through, in the programme.
	await obs.call('SetSourceFilterSettings', { ...KEYER, filterSettings: { Key_color: 0x0032c581 }, overlay: false });
	const reply = await vendor('ReloadEffect', KEYER);
	check('ReloadEffect back to the built-in keyer', show(reply) === show({ lastError: '' }), show(reply));
	await obs.call('StartOutput', { outputName: 'velmora-rgb-cam' });
	await sleep(1500);
	const running = await cameraStatus();
	check('GetCameraStatus while running', running.active === true && running.width === WIDTH &&
		running.height === HEIGHT && running.framesSent > 10, show(running));
	await obs.call('StopOutput', { outputName: 'velmora-rgb-cam' });
	await sleep(300);
	const stopped = await cameraStatus();
	check('GetCameraStatus after the stop', stopped.active === false && stopped.framesSent >= running.framesSent &&
		stopped.framesReceived >= stopped.framesSent, show(stopped));

	const frameSize = WIDTH * HEIGHT * 3;
	const bytes = fs.readFileSync(cameraFile);
	check('the camera file holds the frames sent', bytes.length === stopped.framesSent * frameSize,
		`${bytes.length / frameSize} frames, ${stopped.framesSent} sent`);
	const last = bytes.subarray(bytes.length - frameSize);
	for (const at of [GREEN, BODY]) {
		const offset = (at[1] * WIDTH + at[0]) * 3;
		const got = [last[offset + 2], last[offset + 1], last[offset]];
		check(`camera frame pixel ${show(at)} is the programme's`, near(got, rgba(picture, at).slice(0, 3), 8),
			`${show(got)} instead of ${show(rgba(picture, at).slice(0, 3))}`);
	}
}

try {
	await connect();
	const scene = await setUp();
	await checkPictures();
	await checkVendorRequests(scene);
	await checkCamera();
} catch (error) {
	check('the session runs to its end', false, error.stack);
} finally {
	obs.disconnect();
}
console.log(failures.length ? `${failures.length} checks failed` : 'all checks passed');
process.exit(failures.length ? 1 : 0);
